// Opens up the page's scrolling boxes so that a capture or a print holds the whole page. A box is opened
// by lifting its height limits and those of its ancestors that it then overflows, up to the document:
// the document grows to hold it. Fixed boxes become absolute so that they grow the document too. Which
// boxes: with "page", the page's own scroller (the largest box in view that covers most of the viewport,
// unless the document scrolls further itself) and the sticky or fixed panels at least 70 % of the
// viewport tall whose list it cuts (side bars, tables of contents); small boxes in the content (code,
// chat widgets) keep their scroll bars. With "all", every box that scrolls. 100vh sections that do not
// scroll are left alone. Every element is noted in the page's changes (step "capture") before its first
// change. Yields how many elements it changed; run again, it opens boxes that appeared since. With
// `unnoticed`, the page tracker does not count these changes as the page changing (then it yields a
// promise).
({ mode, unnoticed }) => {
  const root = document.documentElement, body = document.body;
  if (mode === 'none' || !root || !body) return 0;
  const t = window[Symbol.for('quillmark.tracker')];
  const unchanged = t ? t.lastChange : 0;
  const keep = window[Symbol.for('quillmark.pageChanges')].step('capture').keep;
  const expand = () => {
    window.scrollTo(0, 0);
    const vw = innerWidth, vh = innerHeight;
    const touched = new Set();
    let changes = 0;
    const set = (el, name, value) => {
      if (el.style.getPropertyValue(name) === value && el.style.getPropertyPriority(name) === 'important') return;
      keep(el);
      el.style.setProperty(name, value, 'important');
      touched.add(el);
      changes++;
    };
    const css = (el) => getComputedStyle(el);
    const overflows = (el) => el.scrollHeight > el.clientHeight + 1;
    // The body's overflow belongs to the viewport unless the root element sets one of its own.
    const bodyOwnsOverflow = () => css(root).overflowY !== 'visible';
    const open = (el) => {
      for (let e = el; e; e = e.parentElement) {
        const s = css(e);
        if (s.overflowY !== 'visible' && (e !== body || bodyOwnsOverflow())) {
          set(e, 'overflow-y', 'visible');
          set(e, 'overflow-x', s.overflowX === 'visible' ? 'visible' : 'clip');
        }
        if (s.contain !== 'none') set(e, 'contain', 'none');
        if (s.maxHeight !== 'none') set(e, 'max-height', 'none');
        if (s.position === 'fixed') {
          set(e, 'position', 'absolute');
          set(e, 'bottom', 'auto');
        }
        if (e === el || overflows(e)) {
          set(e, 'height', 'auto');
          const p = e.parentElement && css(e.parentElement);
          if (p && p.display.endsWith('flex') && p.flexDirection.startsWith('column')) {
            set(e, 'flex-shrink', '0');
            set(e, 'flex-basis', 'auto');
          }
        }
      }
    };
    const pinned = (el) => {
      for (let e = el; e && e !== root; e = e.parentElement) {
        const p = css(e).position;
        if (p === 'sticky' || p === 'fixed') return true;
      }
      return false;
    };
    const scrollers = () => {
      const bodyScrolls = bodyOwnsOverflow();
      const found = [];
      const walker = document.createTreeWalker(body, NodeFilter.SHOW_ELEMENT);
      for (let e = body; e; e = walker.nextNode()) {
        if (!overflows(e) || e.localName === 'textarea' || e.localName === 'select' || e.localName === 'iframe') continue;
        const s = css(e);
        if (!/^(auto|scroll|overlay)$/.test(s.overflowY) || s.visibility === 'hidden' || !e.getClientRects().length) continue;
        if (e === body && !bodyScrolls) continue;
        found.push(e);
      }
      return found;
    };
    const inView = (r) => Math.max(0, Math.min(r.right, vw) - Math.max(r.left, 0)) *
      Math.max(0, Math.min(r.bottom, vh) - Math.max(r.top, 0));
    for (let pass = 0; pass < 4; pass++) {
      const found = scrollers();
      let chosen = found;
      if (mode !== 'all') {
        let main = null, best = 0;
        for (const e of found) {
          const seen = inView(e.getBoundingClientRect());
          if (seen >= 0.5 * vw * vh && (seen > best || (seen === best && e.scrollHeight > main.scrollHeight))) {
            main = e;
            best = seen;
          }
        }
        const documentExtent = (document.scrollingElement || root).scrollHeight - vh;
        if (main && main.scrollHeight - main.clientHeight <= documentExtent) main = null;
        chosen = found.filter((e) => e === main || (e.clientHeight >= 0.7 * vh && pinned(e)));
      }
      const before = changes;
      for (const e of chosen) open(e);
      if (changes === before) break;
    }
    return touched.size;
  };
  let opened = 0;
  try {
    opened = expand();
  } catch (e) {
    // A page the boxes cannot be opened on is still captured as it shows.
  }
  // Our own style changes are not the page changing: the observer sees them first, then they are forgotten.
  if (!unnoticed || !t) return opened;
  return Promise.resolve().then(() => {
    t.lastChange = unchanged;
    return opened;
  });
}
