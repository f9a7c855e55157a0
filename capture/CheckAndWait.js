// Checks every selector, then waits in the page (on its observers and its own timers, nothing polls
// from outside) until an element of `waitFor` is there with a box and not hidden, or `budget`
// milliseconds run out.
async ({ selectors, waitFor, budget }) => {
  for (const s of selectors) {
    try { document.querySelector(s); } catch (e) { return { invalid: s }; }
  }
  if (!waitFor) return { found: true };
  const t = window[Symbol.for('quillmark.tracker')];
  const wait = t ? t.wait : (ms) => new Promise((r) => setTimeout(r, ms));
  const start = performance.now();
  const visible = () => {
    for (const el of document.querySelectorAll(waitFor)) {
      const box = el.getBoundingClientRect();
      if (box.width > 0 && box.height > 0 && (!el.checkVisibility || el.checkVisibility(
          { opacityProperty: true, visibilityProperty: true, checkOpacity: true, checkVisibilityCSS: true })))
        return true;
    }
    return false;
  };
  const found = visible() || await new Promise((resolve) => {
    let over = false;
    const end = (value) => {
      if (over) return;
      over = true;
      observer.disconnect();
      resolve(value);
    };
    const observer = new MutationObserver(() => { if (visible()) end(true); });
    observer.observe(document, { subtree: true, childList: true, attributes: true, characterData: true });
    // Style changes without a mutation (a stylesheet, an animation) are seen on a short round.
    const round = () => {
      if (over) return;
      const left = budget - (performance.now() - start);
      if (visible()) return end(true);
      if (left <= 0) return end(false);
      wait(Math.min(100, left)).then(round);
    };
    round();
  });
  return { found, waited: performance.now() - start };
}
