// Waits in the page itself (on its own timers, no polling from outside) and resolves when settled.
async ({ budget, quiet }) => {
  const t = window[Symbol.for('quillmark.tracker')];
  const start = performance.now(), end = start + budget, horizon = start + 1600;
  const wait = t ? t.wait : (ms) => new Promise((r) => setTimeout(r, ms));
  if (document.fonts) await Promise.race([document.fonts.ready, wait(budget)]);
  if (t) {
    for (;;) {
      const now = performance.now();
      if (now >= end) break;
      let until = t.lastChange ? t.lastChange + quiet : 0;
      for (const due of t.timers.values()) if (due <= horizon && due + 1 > until) until = due + 1;
      if (until <= now) break;
      await wait(Math.min(until, end) - now);
    }
  }
  // A frame lets the page's own frame callbacks and observers run; with none of them and no change
  // since the load there is nothing a frame would add.
  if (!t || t.frames.size > 0 || t.observers > 0 || t.lastChange > 0)
    await Promise.race([new Promise((r) => requestAnimationFrame(() => r())), wait(100)]);
  return true;
}
