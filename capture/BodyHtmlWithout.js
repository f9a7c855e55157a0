// The body's HTML without the elements `selectors` match. The elements are found on the live page
// (selectors may reach above the body), marked, and left out of a copy; the marks go again at once.
({ selectors }) => {
  const mark = 'data-quillmark-hidden';
  const marked = [];
  for (const s of selectors) {
    try {
      for (const el of document.querySelectorAll(s)) { el.setAttribute(mark, ''); marked.push(el); }
    } catch (e) {}
  }
  const body = document.body || document.documentElement;
  const copy = body ? body.cloneNode(true) : null;
  for (const el of marked) el.removeAttribute(mark);
  if (!copy) return '<body></body>';
  for (const el of copy.querySelectorAll('[' + mark + ']')) el.remove();
  return document.body ? copy.outerHTML : '<body>' + copy.outerHTML + '</body>';
}
