#include "browser/KeyMapping.h"

#include <QJsonArray>

namespace qm {

namespace {

struct NamedKey
{
    int qtKey;
    const char* key;
    int virtualKeyCode;
    const char* text;
};

// Keys that edit or move rather than type. Enter types "\r" so that forms submit on it.
constexpr NamedKey kNamedKeys[] = {
    { Qt::Key_Return, "Enter", 13, "\r" },
    { Qt::Key_Enter, "Enter", 13, "\r" },
    { Qt::Key_Backspace, "Backspace", 8, "" },
    { Qt::Key_Tab, "Tab", 9, "" },
    { Qt::Key_Backtab, "Tab", 9, "" },
    { Qt::Key_Escape, "Escape", 27, "" },
    { Qt::Key_Delete, "Delete", 46, "" },
    { Qt::Key_Insert, "Insert", 45, "" },
    { Qt::Key_Left, "ArrowLeft", 37, "" },
    { Qt::Key_Up, "ArrowUp", 38, "" },
    { Qt::Key_Right, "ArrowRight", 39, "" },
    { Qt::Key_Down, "ArrowDown", 40, "" },
    { Qt::Key_Home, "Home", 36, "" },
    { Qt::Key_End, "End", 35, "" },
    { Qt::Key_PageUp, "PageUp", 33, "" },
    { Qt::Key_PageDown, "PageDown", 34, "" },
};

struct Shortcut
{
    int qtKey;
    const char* command;
};

constexpr Shortcut kShortcuts[] = {
    { Qt::Key_A, "selectAll" },
    { Qt::Key_C, "copy" },
    { Qt::Key_X, "cut" },
    { Qt::Key_V, "paste" },
    { Qt::Key_Z, "undo" },
    { Qt::Key_Y, "redo" },
};

QString CodeForCharacter(QChar c)
{
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        return QStringLiteral("Key") + c.toUpper();
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        return QStringLiteral("Key") + c;
    if (c.isDigit() && c.unicode() < 128)
        return QStringLiteral("Digit") + c;
    if (c == QLatin1Char(' '))
        return QStringLiteral("Space");
    return {};
}

} // namespace

int ModifierMask(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::AltModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::MetaModifier)
        mask |= 4;
    if (modifiers & Qt::ShiftModifier)
        mask |= 8;
    return mask;
}

std::optional<PageKey> PageKeyFor(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text)
{
    for (const NamedKey& named : kNamedKeys) {
        if (named.qtKey == qtKey) {
            const QString key = QLatin1String(named.key);
            return PageKey { key, key, named.virtualKeyCode, QLatin1String(named.text), {} };
        }
    }
    const bool shortcut = modifiers & (Qt::ControlModifier | Qt::MetaModifier);
    if (shortcut && qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        const QChar letter(char16_t(u'a' + (qtKey - Qt::Key_A)));
        PageKey key { QString(letter), CodeForCharacter(letter), qtKey, {}, {} };
        for (const Shortcut& s : kShortcuts) {
            if (s.qtKey == qtKey)
                key.command = QLatin1String(s.command);
        }
        return key;
    }
    // A key that types: control characters (Qt gives them for Ctrl+letter) type nothing.
    if (text.isEmpty() || !text.at(0).isPrint())
        return std::nullopt;
    const QChar first = text.at(0);
    int virtualKeyCode = 0;
    if (first.isLetter() && first.unicode() < 128)
        virtualKeyCode = first.toUpper().unicode();
    else if ((first.isDigit() && first.unicode() < 128) || first == QLatin1Char(' '))
        virtualKeyCode = first.unicode();
    return PageKey { text, CodeForCharacter(first), virtualKeyCode, text, {} };
}

QJsonObject KeyDownParams(const PageKey& key, Qt::KeyboardModifiers modifiers)
{
    // "keyDown" with text makes Chromium raise keydown, keypress and the text input; "rawKeyDown"
    // raises keydown alone, as for arrows and Backspace.
    QJsonObject params { { QStringLiteral("type"),
                             key.text.isEmpty() ? QStringLiteral("rawKeyDown") : QStringLiteral("keyDown") },
        { QStringLiteral("modifiers"), ModifierMask(modifiers) }, { QStringLiteral("key"), key.key },
        { QStringLiteral("code"), key.code }, { QStringLiteral("windowsVirtualKeyCode"), key.virtualKeyCode } };
    if (!key.text.isEmpty()) {
        params.insert(QStringLiteral("text"), key.text);
        params.insert(QStringLiteral("unmodifiedText"), key.text);
    }
    if (!key.command.isEmpty())
        params.insert(QStringLiteral("commands"), QJsonArray { key.command });
    return params;
}

QJsonObject KeyUpParams(const PageKey& key, Qt::KeyboardModifiers modifiers)
{
    return { { QStringLiteral("type"), QStringLiteral("keyUp") },
        { QStringLiteral("modifiers"), ModifierMask(modifiers) }, { QStringLiteral("key"), key.key },
        { QStringLiteral("code"), key.code }, { QStringLiteral("windowsVirtualKeyCode"), key.virtualKeyCode } };
}

} // namespace qm
