// Gets a page ready for its capture, after its scrolling boxes were opened (ExpandScrollers.js): native
// lazy images and frames load at once; pages that watch scrolling themselves (observers, scroll handlers)
// get a pass from top to bottom, which ends at the bottom or at `cap` CSS pixels (endless feeds grow as
// long as they are scrolled) or when `budget` milliseconds are spent. Then the body's scroll bars, border
// and margin go, and parts the browser skips while they are out of view (content-visibility: auto) are
// drawn, all noted in the page's changes (step "capture"). Parts the page hides that way itself
// (content-visibility: hidden) stay hidden.
async ({ budget, cap }) => {
  const t = window[Symbol.for('quillmark.tracker')];
  const keep = window[Symbol.for('quillmark.pageChanges')].step('capture').keep;
  const wait = t ? t.wait : (ms) => new Promise((r) => setTimeout(r, ms));
  for (const el of document.querySelectorAll('img[loading="lazy"], iframe[loading="lazy"]')) el.loading = 'eager';
  const watches = (t && (t.observers > 0 || t.scrollListeners > 0)) || window.onscroll || document.onscroll;
  if (watches) {
    const end = performance.now() + budget;
    const frame = () => Promise.race([new Promise((r) => requestAnimationFrame(() => r())), wait(50)]);
    const step = Math.max(window.innerHeight, 200);
    for (let y = 0; y < Math.min(document.documentElement.scrollHeight, cap) && performance.now() < end; y += step) {
      window.scrollTo(0, y);
      await frame();
      await frame();
    }
  }
  const body = document.body;
  const before = t ? t.lastChange : 0;
  const drawAll = (top) => {
    const walker = document.createTreeWalker(top, NodeFilter.SHOW_ELEMENT);
    for (let e = walker.nextNode(); e; e = walker.nextNode()) {
      const s = getComputedStyle(e);
      if (s.contentVisibility === 'auto') {
        keep(e);
        e.style.setProperty('content-visibility', 'visible', 'important');
        // A section in view keeps the containment `auto` gives it (its margins do not collapse through it).
        const own = s.contain === 'none' ? [] : s.contain.split(' ');
        if (!own.includes('strict') && !own.includes('content'))
          e.style.setProperty('contain', [...new Set([...own, 'layout', 'style', 'paint'])].join(' '), 'important');
      }
      if (e.shadowRoot) drawAll(e.shadowRoot);
    }
  };
  drawAll(document);
  if (body) {
    keep(body);
    body.setAttribute('scroll', 'no');
    body.style.border = '0px';
    body.style.overflow = 'hidden';
    body.style.margin = '0px';
  }
  window.scrollTo(0, 0);
  await null;
  if (t) t.lastChange = before;
  return true;
}
