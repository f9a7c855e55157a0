// The page's one record of what Quillmark changed in it, so that every change can be given back
// exactly. Changes are made in steps ("controls", "capture"); each step notes an element's style and
// scroll attributes and its scroll offsets once, before its first change, and the window's scroll
// position when it opens. Elements of other documents (frames) are noted here too. Installed once per
// document, under window[Symbol.for('quillmark.pageChanges')].
() => {
  const key = Symbol.for('quillmark.pageChanges');
  if (window[key]) return window[key];
  const entries = []; // in the order made: { step, undo, element?, top?, left? }
  const opened = new Map(); // step -> { scroll, kept: Set of elements, spared: Set of elements }
  // Reading the attribute first brings it up to date with the style changes; removing it before that
  // leaves an empty style attribute behind.
  const put = (el, name, value) => {
    if (el.getAttribute(name) === value) return;
    if (value === null) el.removeAttribute(name);
    else el.setAttribute(name, value);
  };
  const open = (step) => {
    let s = opened.get(step);
    if (!s) opened.set(step, (s = { scroll: [window.scrollX, window.scrollY], kept: new Set(), spared: new Set() }));
    return s;
  };
  const scrollBack = (e) => {
    if (e.element && (e.element.scrollTop !== e.top || e.element.scrollLeft !== e.left))
      e.element.scrollTo(e.left, e.top);
  };
  const registry = {
    step(step) {
      const s = open(step);
      return {
        // Elements the step chose to leave as they are, until it is given back.
        spared: s.spared,
        keep(el) {
          if (s.kept.has(el)) return;
          s.kept.add(el);
          const style = el.getAttribute('style'), scroll = el.getAttribute('scroll');
          entries.push({ step, element: el, top: el.scrollTop, left: el.scrollLeft,
            undo: () => { put(el, 'style', style); put(el, 'scroll', scroll); } });
        },
        addSheet(sheet) {
          document.adoptedStyleSheets = [...document.adoptedStyleSheets, sheet];
          entries.push({ step,
            undo: () => { document.adoptedStyleSheets = document.adoptedStyleSheets.filter((x) => x !== sheet); } });
        },
        // Gives back what the step changed in `el` alone, scroll offsets included.
        giveBack(el) {
          const i = entries.findIndex((e) => e.step === step && e.element === el);
          if (i < 0) return;
          const [e] = entries.splice(i, 1);
          s.kept.delete(el);
          e.undo();
          scrollBack(e);
        },
        mark(el, name) {
          if (el.hasAttribute(name)) return;
          el.setAttribute(name, '');
          entries.push({ step, undo: () => el.removeAttribute(name) });
        },
      };
    },
    // Gives back the changes of `step`, or of every step when it is empty, newest first; then the
    // scroll offsets as they were. Yields how many changes there were.
    giveBack(step) {
      const mine = (e) => !step || e.step === step;
      const undone = entries.filter(mine).reverse();
      for (let i = entries.length - 1; i >= 0; i--) if (mine(entries[i])) entries.splice(i, 1);
      for (const e of undone) e.undo();
      for (const e of undone) scrollBack(e);
      const steps = [...opened.keys()].filter((s) => !step || s === step);
      // The earliest step's window position is the one the page had before any of them.
      if (steps.length) window.scrollTo(...opened.get(steps[0]).scroll);
      for (const s of steps) opened.delete(s);
      return undone.length;
    },
  };
  Object.defineProperty(window, key, { value: registry, configurable: true });
  return registry;
}
