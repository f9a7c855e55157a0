// The first element `selector` matches that shows (a box of some size), in page coordinates: at once,
// or as soon as it appears within `budget` milliseconds. Polling the page's own timer keeps this one
// command.
async ({ selector, budget }) => {
  const start = performance.now();
  try { document.querySelector(selector); } catch (e) { return { invalid: true }; }
  const box = () => {
    const el = document.querySelector(selector);
    const r = el ? el.getBoundingClientRect() : null;
    return r && r.width > 0 && r.height > 0
      ? { x: r.left + window.scrollX, y: r.top + window.scrollY, width: r.width, height: r.height } : null;
  };
  let found = box();
  const late = !found;
  while (!found && performance.now() - start < budget) {
    await new Promise((r) => setTimeout(r, 100));
    found = box();
  }
  return found ? Object.assign(found, { late }) : { waited: performance.now() - start };
}
