// Applies the page controls' changes, as step "controls" of the page's changes (a previous one is given
// back first): hidden and removed elements, the common overlays (`overlays` by selector; `floating` only
// where fixed or sticky; consent dialogs by their look and `consentWords`; the last two marked with the
// attribute `mark`) and the user's `style`, in one style sheet of their own, one rule per selector so that
// a selector the engine does not know spoils only its own rule. The user's style comes last, so that a
// stray brace in it cannot swallow the rules before it.
(o) => {
  const changes = window[Symbol.for('quillmark.pageChanges')];
  changes.giveBack('controls');
  const step = changes.step('controls');
  const marked = [];
  const floats = (el) => ['fixed', 'sticky'].includes(getComputedStyle(el).position);
  const holdsFloating = (el) => {
    const inside = el.getElementsByTagName('*');
    for (let i = 0; i < Math.min(inside.length, 50); ++i) if (floats(inside[i])) return true;
    return false;
  };
  // Consent dialogs by their look, whatever their names: fixed over the page, covering at least half the
  // viewport (their own box, one inside them, or an empty backdrop beside them), with one of `words` in
  // their text. A fixed box that holds the page's main content, most of its content or more text than a
  // dialog is the page itself (an app shell): it stays, and the fixed boxes inside it are looked at in its
  // place.
  const consentDialogs = (words) => {
    if (!words.length || !document.body) return [];
    const lower = (t) => t.toLowerCase().replace(/\u0307/g, '');
    words = words.map(lower);
    const area = innerWidth * innerHeight;
    const shown = (el) => {
      const r = el.getBoundingClientRect();
      const w = Math.min(r.right, innerWidth) - Math.max(r.left, 0);
      const h = Math.min(r.bottom, innerHeight) - Math.max(r.top, 0);
      return w > 0 && h > 0 ? w * h : 0;
    };
    const covers = (el) => {
      if (shown(el) * 2 >= area) return true;
      const inside = el.getElementsByTagName('*');
      for (let i = 0; i < Math.min(inside.length, 200); ++i) if (shown(inside[i]) * 2 >= area) return true;
      return false;
    };
    const textOf = (el) => el.innerText || '';
    // Consent managers often show their message in a frame; its title names it.
    const speaksOfConsent = (el) => {
      let text = [textOf(el), el.getAttribute('title'), el.getAttribute('aria-label')].join(' ');
      for (const frame of el.getElementsByTagName('iframe')) text += ' ' + frame.title;
      text = lower(text);
      return words.some((w) => text.includes(w));
    };
    const weight = (el) =>
      textOf(el).replace(/\s+/g, '').length + 200 * el.querySelectorAll('img, video, canvas, iframe').length;
    // More text than a dialog's first screen holds: the page (one of its panes, say).
    const pageText = 5000;
    let pageWeight;
    const isPage = (el) => {
      if (el.querySelector('main, article, [role="main"]')) return true;
      const own = weight(el);
      return own >= pageText || own * 2 >= (pageWeight ??= weight(document.body));
    };
    // The outermost fixed boxes under `root`.
    const fixedUnder = (root) => {
      const found = [];
      const walker = document.createTreeWalker(root, NodeFilter.SHOW_ELEMENT, {
        acceptNode(el) {
          const look = getComputedStyle(el);
          if (look.display === 'none') return NodeFilter.FILTER_REJECT;
          if (look.position !== 'fixed') return NodeFilter.FILTER_SKIP;
          found.push(el);
          return NodeFilter.FILTER_REJECT;
        },
      });
      while (walker.nextNode()) {}
      return found;
    };
    const dialogs = [];
    const look = (root) => {
      const boxes = fixedUnder(root);
      const backdrop = (el) =>
        boxes.find((b) => b !== el && b.parentElement === el.parentElement && !textOf(b).trim() && covers(b));
      for (const el of boxes) {
        const over = covers(el) ? [el] : [el, backdrop(el)];
        if (!over[over.length - 1] || !speaksOfConsent(el)) continue;
        if (isPage(el)) look(el);
        else dialogs.push(...over);
      }
    };
    look(document.body);
    return dialogs;
  };
  for (const s of o.floating) {
    let found = [];
    try { found = document.querySelectorAll(s); } catch (e) {}
    for (const el of found) {
      if (el.hasAttribute(o.mark) || el.querySelector('main, article, [role="main"]')) continue;
      if (!floats(el) && !holdsFloating(el)) continue;
      step.mark(el, o.mark);
      marked.push(el);
    }
  }
  for (const el of consentDialogs(o.consentWords)) {
    if (el.hasAttribute(o.mark)) continue;
    step.mark(el, o.mark);
    marked.push(el);
  }
  const rules = [];
  for (const s of o.hide) rules.push(s + ' { visibility: hidden !important; }');
  for (const s of o.remove) rules.push(s + ' { display: none !important; }');
  for (const s of o.overlays) rules.push(s + ' { display: none !important; }');
  if (o.floating.length || o.consentWords.length) rules.push('[' + o.mark + '] { display: none !important; }');
  const sheet = new CSSStyleSheet();
  sheet.replaceSync(rules.join('\n') + '\n' + o.style);
  step.addSheet(sheet);
  // Overlays lock the page's scrolling (overflow hidden on html or body, or a body pinned in place). A
  // page without any keeps its lock: it is the page's own (an app with scrolling boxes of its own).
  const known = (s) => {
    try { return document.querySelector(s) !== null; } catch (e) { return false; }
  };
  if (marked.length || o.overlays.some(known)) {
    for (const el of [document.documentElement, document.body]) {
      if (!el) continue;
      const look = getComputedStyle(el);
      const locked = ['hidden', 'clip'].includes(look.overflowY) || ['hidden', 'clip'].includes(look.overflowX);
      const pinned = el === document.body && look.position === 'fixed';
      if (!locked && !pinned) continue;
      step.keep(el);
      if (locked) el.style.setProperty('overflow', 'visible', 'important');
      if (pinned) el.style.setProperty('position', 'static', 'important');
    }
  }
  return true;
}
