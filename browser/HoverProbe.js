// Answers [link address, CSS cursor, is a text field] for the element at (x, y).
({ x, y }) => {
  const e = document.elementFromPoint(x, y);
  if (!e) return ['', 'auto', false];
  const a = e.closest('a[href], area[href]');
  const typed = ['button', 'submit', 'reset', 'checkbox', 'radio', 'image', 'file', 'color', 'range', 'hidden'];
  const field = e.isContentEditable || e.tagName === 'TEXTAREA'
    || (e.tagName === 'INPUT' && !typed.includes((e.type || '').toLowerCase()));
  return [a ? a.href : '', getComputedStyle(e).cursor, field];
}
