#include "framework/ui/keydispatch.h"

#include "framework/ui/boundary.h"

#include <QWidget>

#include <array>
#include <utility>

namespace zrm::ui {

namespace {

constexpr std::array<std::pair<int, int>, 23> keyTable{{
    {Qt::Key_Backspace, VK::Back},
    {Qt::Key_Tab, VK::Tab},
    {Qt::Key_Backtab, VK::Tab},
    {Qt::Key_Return, VK::Return},
    {Qt::Key_Enter, VK::Return},
    {Qt::Key_Shift, VK::Shift},
    {Qt::Key_Control, VK::Control},
    {Qt::Key_Escape, VK::Escape},
    {Qt::Key_Space, VK::Space},
    {Qt::Key_PageUp, VK::Prior},
    {Qt::Key_PageDown, VK::Next},
    {Qt::Key_End, VK::End},
    {Qt::Key_Home, VK::Home},
    {Qt::Key_Left, VK::Left},
    {Qt::Key_Up, VK::Up},
    {Qt::Key_Right, VK::Right},
    {Qt::Key_Down, VK::Down},
    {Qt::Key_Insert, VK::Insert},
    {Qt::Key_Delete, VK::Delete},
    {Qt::Key_F2, VK::F2},
    {Qt::Key_Alt, 18},
    {Qt::Key_F1, 112},
    {Qt::Key_F3, 114},
}};

}  // namespace

int virtualKeyFromQt(int qtKey) {
    for (const auto& [qt, vk] : keyTable) {
        if (qt == qtKey)
            return vk;
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;  // the same codes: '0'..'9', 'A'..'Z'
    return 0;
}

int qtKeyFromVirtual(int virtualKey) {
    for (const auto& [qt, vk] : keyTable) {
        if (vk == virtualKey)
            return qt;
    }
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return virtualKey;
    return Qt::Key_unknown;
}

TShiftState shiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= ssShift;
    if (modifiers & Qt::AltModifier)
        state |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        state |= ssCtrl;
    if (buttons & Qt::LeftButton)
        state |= ssLeft;
    if (buttons & Qt::RightButton)
        state |= ssRight;
    return state;
}

QChar keyCharOf(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return {u'\r'};
        case Qt::Key_Backspace:
            return {u'\b'};
        case Qt::Key_Escape:
            return QChar(0x1b);
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return {};  // moves the focus or edits; types nothing
        default:
            break;
    }
    const QString text = event.text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return {};
    return text.at(0);
}

KeyDispatch::KeyDispatch(QWidget* control, QKeyEvent* event, const TKeyEvent& onKeyDown,
                         const TKeyPressEvent& onKeyPress)
    : m_original(event) {
    int key = virtualKeyFromQt(event->key());
    if (onKeyDown && key != 0) {
        const int before = key;
        if (!guardUserAction(control, [&] { onKeyDown(control, key, shiftStateOf(event->modifiers())); }) ||
            key == 0) {
            m_discarded = true;
            return;
        }
        if (key != before) {
            const int qtKey = qtKeyFromVirtual(key);
            QString text;
            if (key == VK::Return)
                text = QStringLiteral("\r");
            else if (key == VK::Space || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
                text = QChar(key);
            m_replacement = std::make_unique<QKeyEvent>(event->type(), qtKey, event->modifiers(), text);
        }
    }
    const QKeyEvent* current = this->event();
    QChar character = keyCharOf(*current);
    if (!onKeyPress || character.isNull())
        return;
    const QChar before = character;
    if (!guardUserAction(control, [&] { onKeyPress(control, character); }) || character.isNull()) {
        m_discarded = true;
        return;
    }
    if (character != before) {
        int qtKey = current->key();
        if (character == u'\r')
            qtKey = Qt::Key_Return;
        else if (character == u'\b')
            qtKey = Qt::Key_Backspace;
        else if (character.isLetterOrNumber())
            qtKey = character.toUpper().unicode();
        m_replacement =
            std::make_unique<QKeyEvent>(current->type(), qtKey, current->modifiers(), QString(character));
    }
}

}  // namespace zrm::ui
