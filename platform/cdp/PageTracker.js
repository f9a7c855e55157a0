// Runs in every document of a tab before the document's own scripts. Timers longer than 1.5 s are
// treated as clocks and carousels, not as content still to come.
() => {
  const key = Symbol.for('quillmark.tracker');
  if (window[key]) return;
  const state = { lastChange: 0, loaded: false, timers: new Map(), frames: new Set(), observers: 0,
    scrollListeners: 0 };
  const nativeSet = window.setTimeout, nativeClear = window.clearTimeout;
  state.wait = (ms) => new Promise((resolve) => nativeSet.call(window, resolve, ms));
  window.setTimeout = function (handler, delay, ...args) {
    const ms = Number(delay) || 0;
    if (typeof handler !== 'function' || ms > 1500) return nativeSet.apply(this, arguments);
    let id = 0;
    id = nativeSet.call(this, function () { state.timers.delete(id); return handler.apply(this, args); }, ms);
    state.timers.set(id, performance.now() + ms);
    return id;
  };
  window.clearTimeout = function (id) { state.timers.delete(id); return nativeClear.apply(this, arguments); };
  // Frame callbacks still to run: settling waits for the next frame only when there are any.
  const nativeFrame = window.requestAnimationFrame, nativeCancelFrame = window.cancelAnimationFrame;
  window.requestAnimationFrame = function (callback) {
    if (typeof callback !== 'function') return nativeFrame.apply(this, arguments);
    let id = 0;
    id = nativeFrame.call(window, (time) => { state.frames.delete(id); return callback(time); });
    state.frames.add(id);
    return id;
  };
  window.cancelAnimationFrame = function (id) { state.frames.delete(id); return nativeCancelFrame.apply(this, arguments); };
  const NativeObserver = window.IntersectionObserver;
  if (NativeObserver) {
    window.IntersectionObserver = class extends NativeObserver {
      constructor(...args) { super(...args); state.observers++; }
    };
  }
  const nativeAdd = EventTarget.prototype.addEventListener;
  EventTarget.prototype.addEventListener = function (type, ...rest) {
    if (type === 'scroll' && (this === window || this === document)) state.scrollListeners++;
    return nativeAdd.call(this, type, ...rest);
  };
  nativeAdd.call(window, 'load', () => {
    state.loaded = true;
    new MutationObserver(() => { state.lastChange = performance.now(); })
      .observe(document, { subtree: true, childList: true, attributes: true, characterData: true });
  }, { once: true });
  Object.defineProperty(window, key, { value: state });
}
