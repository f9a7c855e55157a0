// Applies the page controls' changes, as step "controls" of the page's changes (a previous one is given
// back first): hidden and removed elements, the common overlays (`overlays` by selector; `floating` only
// where fixed or sticky, marked with the attribute `mark`) and the user's `style`, in one style sheet of
// their own, one rule per selector so that a selector the engine does not know spoils only its own rule.
// The user's style comes last, so that a stray brace in it cannot swallow the rules before it.
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
  const rules = [];
  for (const s of o.hide) rules.push(s + ' { visibility: hidden !important; }');
  for (const s of o.remove) rules.push(s + ' { display: none !important; }');
  for (const s of o.overlays) rules.push(s + ' { display: none !important; }');
  if (o.floating.length) rules.push('[' + o.mark + '] { display: none !important; }');
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
