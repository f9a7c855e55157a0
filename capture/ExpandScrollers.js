// Opens up the page's scrolling boxes so that a capture or a print holds the whole page. A box is opened
// by lifting its height limits and those of its ancestors that it then overflows, up to the document:
// the document grows to hold it. Fixed boxes become absolute so that they grow the document too. Which
// boxes: with "page", the page's own scroller (the largest box in view that covers most of the viewport,
// unless the document scrolls further itself) and the sticky or fixed panels at least 70 % of the
// viewport tall whose list it cuts (side bars, tables of contents); small boxes in the content (code,
// chat widgets) keep their scroll bars. With "all", every box that scrolls. 100vh sections that do not
// scroll are left alone. Boxes in open shadow roots and in same-origin frames count as well; a frame
// grows to hold its opened document. A scroll lock on the document (a body pinned in place, html or body
// hiding what overflows them) is lifted. A box whose opened area stays blank (a virtual list,
// which draws only the rows its window shows) gets its own height back. Every element is noted in the
// page's changes (step "capture") before its first change. Yields a promise of { changed: how many
// elements it changed, lists: the heights of boxes kept as virtual lists }; run again, it opens boxes
// that appeared since. With `unnoticed`, the page tracker does not count these changes as the page
// changing.
async ({ mode, unnoticed }) => {
  const root = document.documentElement, body = document.body;
  if (mode === 'none' || !root || !body) return { changed: 0, lists: [] };
  const t = window[Symbol.for('quillmark.tracker')];
  const unchanged = t ? t.lastChange : 0;
  const step = window[Symbol.for('quillmark.pageChanges')].step('capture');
  const keep = step.keep;
  const touched = new Set();
  const lists = [];
  const set = (el, name, value) => {
    if (el.style.getPropertyValue(name) === value && el.style.getPropertyPriority(name) === 'important') return;
    keep(el);
    el.style.setProperty(name, value, 'important');
    touched.add(el);
  };
  const css = (el) => el.ownerDocument.defaultView.getComputedStyle(el);
  const frameOf = (doc) => {
    try {
      return doc.defaultView.frameElement;
    } catch (e) {
      return null;
    }
  };
  const framed = (iframe) => {
    try {
      const doc = iframe.contentDocument;
      return doc && doc.documentElement && doc.body ? doc : null;
    } catch (e) {
      return null;
    }
  };
  // Up across shadow roots and out of frames.
  const parentOf = (e) => {
    if (e.parentElement) return e.parentElement;
    const node = e.getRootNode();
    if (node.host) return node.host;
    return node === e.ownerDocument ? frameOf(node) : null;
  };
  // How far past its own height a box scrolls; a frame scrolls as far as its document does.
  const extent = (e) => {
    if (e.localName !== 'iframe') return e.scrollHeight - e.clientHeight;
    const doc = framed(e);
    return doc ? (doc.scrollingElement || doc.documentElement).scrollHeight - e.clientHeight : 0;
  };
  const overflows = (e) => extent(e) > 1;
  // The body's overflow belongs to the viewport unless the root element sets one of its own.
  const ownsOverflow = (e) => e !== e.ownerDocument.body || css(e.ownerDocument.documentElement).overflowY !== 'visible';
  const grow = (iframe) => {
    const doc = framed(iframe);
    if (!doc) return;
    const s = css(iframe);
    const edges = s.boxSizing === 'border-box' ? iframe.offsetHeight - iframe.clientHeight
      + parseFloat(s.paddingTop) + parseFloat(s.paddingBottom) : 0;
    set(iframe, 'height', (doc.scrollingElement || doc.documentElement).scrollHeight + edges + 'px');
  };
  const open = (el) => {
    for (let e = el; e; e = parentOf(e)) {
      const s = css(e);
      if (s.overflowY !== 'visible' && ownsOverflow(e)) {
        set(e, 'overflow-y', 'visible');
        set(e, 'overflow-x', s.overflowX === 'visible' ? 'visible' : 'clip');
      }
      if (s.contain !== 'none') set(e, 'contain', 'none');
      if (s.maxHeight !== 'none') set(e, 'max-height', 'none');
      if (s.position === 'fixed') {
        set(e, 'position', 'absolute');
        set(e, 'bottom', 'auto');
      }
      if (e.localName === 'iframe') {
        grow(e);
      } else if (e === el || overflows(e)) {
        set(e, 'height', 'auto');
        const p = parentOf(e);
        const ps = p && p.nodeType === 1 && css(p);
        if (ps && ps.display.endsWith('flex') && ps.flexDirection.startsWith('column')) {
          set(e, 'flex-shrink', '0');
          set(e, 'flex-basis', 'auto');
        }
      }
    }
  };
  // A lock pins the body in place or hides what overflows html or body; it is never content. A pinned
  // body is let go before the search (its boxes then show where they are); hidden overflow is lifted
  // after it, where opening a box did not already (an app shell's html hides what its body scrolls).
  const tall = () => Math.max(root.scrollHeight, body.scrollHeight) > innerHeight + 1;
  const unpin = () => {
    if (!tall()) return;
    for (const e of [root, body]) if (css(e).position === 'fixed') set(e, 'position', 'static');
  };
  const unlock = () => {
    if (!tall()) return;
    let locked = false;
    for (const e of [root, body]) {
      const s = css(e);
      if (s.overflowY !== 'hidden' && s.overflowY !== 'clip') continue;
      set(e, 'overflow-y', 'visible');
      set(e, 'overflow-x', s.overflowX === 'visible' ? 'visible' : 'clip');
      locked = true;
    }
    if (locked) for (const e of [body, root]) if (overflows(e)) set(e, 'height', 'auto');
  };
  const pinned = (el) => {
    for (let e = el; e && e !== root; e = parentOf(e)) {
      const p = css(e).position;
      if (p === 'sticky' || p === 'fixed') return true;
    }
    return false;
  };
  // Every element below `top` (an element, shadow root or document), into open shadow roots and
  // same-origin frames, until `visit` yields true.
  const each = (top, visit) => {
    const doc = top.ownerDocument || top;
    const walker = doc.createTreeWalker(top, NodeFilter.SHOW_ELEMENT);
    for (let e = top.nodeType === 1 ? top : walker.nextNode(); e; e = walker.nextNode()) {
      if (visit(e)) return true;
      if (e.shadowRoot && each(e.shadowRoot, visit)) return true;
      const inner = e.localName === 'iframe' && framed(e);
      if (inner && each(inner.body, visit)) return true;
    }
    return false;
  };
  const scrollers = () => {
    const found = [];
    each(body, (e) => {
      if (!overflows(e) || e.localName === 'textarea' || e.localName === 'select') return;
      const s = css(e);
      if (e.localName === 'iframe') {
        const inner = framed(e);
        if (!inner || css(inner.documentElement).overflowY === 'hidden' || css(inner.body).overflowY === 'hidden')
          return;
      } else if (!/^(auto|scroll|overlay)$/.test(s.overflowY)) {
        return;
      }
      if (s.visibility === 'hidden' || !e.getClientRects().length || step.spared.has(e)) return;
      if (e === e.ownerDocument.body && !ownsOverflow(e)) return;
      found.push(e);
    });
    return found;
  };
  // Where a box shows in the top window.
  const rectOf = (e) => {
    const r = e.getBoundingClientRect();
    let x = r.left, y = r.top;
    for (let f = frameOf(e.ownerDocument); f; f = frameOf(f.ownerDocument)) {
      const fr = f.getBoundingClientRect(), s = css(f);
      x += fr.left + f.clientLeft + parseFloat(s.paddingLeft);
      y += fr.top + f.clientTop + parseFloat(s.paddingTop);
    }
    return { left: x, top: y, right: x + r.width, bottom: y + r.height };
  };
  // Whether anything is drawn in `box` lower than `y` (CSS px of its own window): text, pictures,
  // controls, or an element of no children that paints a background or a border.
  const drawnBelow = (box, y) => {
    const win = box.ownerDocument.defaultView;
    const paints = (s) => s.backgroundImage !== 'none' || !/^(transparent|rgba\(.*, 0\))$/.test(s.backgroundColor)
      || parseFloat(s.borderTopWidth) + parseFloat(s.borderBottomWidth) > 0;
    const range = box.ownerDocument.createRange();
    const below = (r) => r.bottom > y && r.width > 0 && r.height > 0;
    return each(box, (e) => {
      if (e.ownerDocument.defaultView !== win || !below(e.getBoundingClientRect())) return false;
      if (/^(img|svg|canvas|video|picture|iframe|input|textarea|select|button|object|embed)$/.test(e.localName)
        || (!e.firstElementChild && paints(css(e))))
        return true;
      for (let n = e.firstChild; n; n = n.nextSibling) {
        if (n.nodeType !== 3 || !n.data.trim()) continue;
        range.selectNodeContents(n);
        for (const r of range.getClientRects()) if (below(r)) return true;
      }
      return false;
    });
  };
  // Our own style changes are not the page changing: the observer sees them first, then they are forgotten.
  const forget = async () => {
    if (!unnoticed || !t) return;
    await null;
    t.lastChange = unchanged;
  };
  // The next frame, when the page's own resize observers have run; a page that draws no frames (a
  // hidden tab) is not waited for longer than a second.
  const frame = () => Promise.race([new Promise((r) => requestAnimationFrame(() => r())),
    t ? t.wait(1000) : new Promise((r) => setTimeout(r, 1000))]);
  const expand = async () => {
    window.scrollTo(0, 0);
    const vw = innerWidth, vh = innerHeight;
    unpin();
    const inView = (r) => Math.max(0, Math.min(r.right, vw) - Math.max(r.left, 0)) *
      Math.max(0, Math.min(r.bottom, vh) - Math.max(r.top, 0));
    const opened = new Map(); // box -> its height before it was opened
    for (let pass = 0; pass < 4; pass++) {
      const found = scrollers();
      let chosen = found;
      if (mode !== 'all') {
        let main = null, best = 0;
        for (const e of found) {
          const seen = inView(rectOf(e));
          if (seen >= 0.5 * vw * vh && (seen > best || (seen === best && extent(e) > extent(main)))) {
            main = e;
            best = seen;
          }
        }
        const documentExtent = (document.scrollingElement || root).scrollHeight - vh;
        if (main && extent(main) <= documentExtent) main = null;
        chosen = found.filter((e) => e === main || (e.clientHeight >= 0.7 * vh && pinned(e)));
      }
      const before = touched.size;
      for (const e of chosen) {
        if (!opened.has(e) && e.localName !== 'iframe') opened.set(e, e.clientHeight);
        open(e);
      }
      if (touched.size === before) break;
    }
    unlock();
    await forget();
    if (!opened.size) return;
    // The page reacts to its boxes' new sizes (lists that draw what their box shows) within a frame.
    await frame();
    await frame();
    for (const [e, height] of opened) {
      const grown = e.getBoundingClientRect();
      if (grown.height <= 2 * height || drawnBelow(e, grown.top + 1.5 * height)) continue;
      step.giveBack(e);
      step.spared.add(e);
      touched.delete(e);
      lists.push(Math.round(e.getBoundingClientRect().height));
    }
  };
  try {
    await expand();
  } catch (e) {
    // A page the boxes cannot be opened on is still captured as it shows.
    await forget();
  }
  return { changed: touched.size, lists };
}
