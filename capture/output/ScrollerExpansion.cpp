#include "capture/output/ScrollerExpansion.h"

#include <limits>

#include "platform/cdp/PageCall.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

constexpr int DefaultMaxHeight = 100000;

QString modeName(cdp::ScrollerExpansion mode)
{
    switch (mode) {
    case cdp::ScrollerExpansion::None:
        return QStringLiteral("none");
    case cdp::ScrollerExpansion::All:
        return QStringLiteral("all");
    case cdp::ScrollerExpansion::Page:
        break;
    }
    return QStringLiteral("page");
}

} // namespace

QString KeepForUndoSnippet()
{
    // The window's scroll position is noted with the first element, before anything moves.
    return QStringLiteral(R"JS(const keep = (() => {
  const key = Symbol.for('quillmark.pageChanges');
  const kept = window[key] || (window[key] = { elements: new Map(), scroll: [window.scrollX, window.scrollY] });
  return (el) => {
    if (!kept.elements.has(el))
      kept.elements.set(el, { style: el.getAttribute('style'), scroll: el.getAttribute('scroll'),
        top: el.scrollTop, left: el.scrollLeft });
  };
})();)JS");
}

QString ExpandScrollersScript(cdp::ScrollerExpansion mode)
{
    // A box is opened by lifting its height limits and those of its ancestors that it then overflows, up
    // to the document: the document grows to hold it and the capture sees everything. Fixed boxes become
    // absolute so that they grow the document too. Which boxes: with "page", the page's own scroller (the
    // largest box in view that covers most of the viewport, unless the document scrolls further itself)
    // and the sticky or fixed panels at least 70 % of the viewport tall whose list it cuts (side bars,
    // tables of contents); small boxes in the content (code, chat widgets) keep their scroll bars. With
    // "all", every box that scrolls. 100vh sections that do not scroll are left alone.
    const QString function = QStringLiteral(R"JS(({ mode }) => {
  %1
  const root = document.documentElement, body = document.body;
  if (mode === 'none' || !root || !body) return 0;
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
})JS")
                                 .arg(KeepForUndoSnippet());
    return cdp::PageCall(function, { { QStringLiteral("mode"), modeName(mode) } });
}

QString UndoPageChangesScript()
{
    return QStringLiteral(R"JS((() => {
  const key = Symbol.for('quillmark.pageChanges');
  const kept = window[key];
  if (!kept) return 0;
  delete window[key];
  // Reading the attribute first brings it up to date with the style changes; removing it before that
  // leaves an empty style attribute behind.
  const put = (el, name, value) => {
    if (el.getAttribute(name) === value) return;
    if (value === null) el.removeAttribute(name);
    else el.setAttribute(name, value);
  };
  for (const [el, was] of kept.elements) {
    put(el, 'style', was.style);
    put(el, 'scroll', was.scroll);
  }
  for (const [el, was] of kept.elements)
    if (el.scrollTop !== was.top || el.scrollLeft !== was.left) el.scrollTo(was.left, was.top);
  window.scrollTo(kept.scroll[0], kept.scroll[1]);
  return kept.elements.size;
})())JS");
}

std::optional<cdp::ScrollerExpansion> ScrollerExpansionFromText(const QString& text)
{
    const QString name = text.trimmed().toLower();
    if (name == QLatin1String("page"))
        return cdp::ScrollerExpansion::Page;
    if (name == QLatin1String("all"))
        return cdp::ScrollerExpansion::All;
    if (name == QLatin1String("none"))
        return cdp::ScrollerExpansion::None;
    return std::nullopt;
}

cdp::ScrollerExpansion ReadScrollerExpansion(const SettingsSource& settings)
{
    return ScrollerExpansionFromText(ReadText(settings, keys::ExpandScrollers)).value_or(cdp::ScrollerExpansion::Page);
}

int ReadMaxCaptureHeight(const SettingsSource& settings)
{
    const double number = ReadNumber(settings, keys::MaxHeight);
    if (!(number >= 1))
        return DefaultMaxHeight;
    return number >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(number);
}

} // namespace qm
