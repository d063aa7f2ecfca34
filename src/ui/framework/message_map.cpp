#include "ui/framework/message_map.h"

bool IsControlColourMessage(UINT id) { return id >= WM_CTLCOLORMSGBOX && id <= WM_CTLCOLORSTATIC; }

int ControlColourType(const Message& message) { return static_cast<int>(message.id - WM_CTLCOLORMSGBOX); }

bool MessageEntryMatches(MessageKind kind, UINT code, const Message& message) {
    switch (kind) {
    case MessageKind::kWindowMessage:
        return message.id == code;
    case MessageKind::kButtonClicked:
        return message.id == WM_COMMAND && HIWORD(message.wParam) == BN_CLICKED && LOWORD(message.wParam) == code;
    case MessageKind::kControlColour:
        return IsControlColourMessage(message.id);
    }
    return false;
}
