#pragma once

#include <QJsonObject>
#include <QString>
#include <Qt>
#include <optional>

namespace qm {

// A key press as the page's input protocol describes it.
struct PageKey
{
    QString key; // DOM key value: "Enter", "a", "ArrowLeft"
    QString code; // physical key: "Enter", "KeyA", "ArrowLeft"
    int virtualKeyCode = 0; // Windows virtual-key code, which Chromium uses for editing commands
    QString text; // what the key types; empty for keys that type nothing
    QString command; // editing command for shortcuts headless Chromium does not map itself
};

// The protocol's modifier mask: Alt 1, Ctrl 2, Meta 4, Shift 8.
int ModifierMask(Qt::KeyboardModifiers modifiers);

// What a Qt key press means to the page; nullopt for keys the page has no use for (bare modifiers,
// keys without a DOM equivalent). `text` is QKeyEvent::text().
std::optional<PageKey> PageKeyFor(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

// The two Input.dispatchKeyEvent parameter sets (down, up) for a key.
QJsonObject KeyDownParams(const PageKey& key, Qt::KeyboardModifiers modifiers);
QJsonObject KeyUpParams(const PageKey& key, Qt::KeyboardModifiers modifiers);

} // namespace qm
