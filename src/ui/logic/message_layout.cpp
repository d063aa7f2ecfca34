#include "ui/logic/message_layout.h"

#include "platform/win32.h"

namespace {

const int kButtonRowFromBottom = 65;
const int kTextAreaLift = 25;
const int kLargeFontsExtraHeight = 25;
const int kPictureLift = 30;
const int kPictureMoveThreshold = 30;

}  // namespace

MessageMode MessageModeFromFlags(int flags) {
    if (flags & MB_OKCANCEL) return MessageMode::kOkCancel;
    if (flags & MB_YESNO) return MessageMode::kYesNo;
    return MessageMode::kSingleButton;
}

int MessagePictureFromFlags(int flags) {
    // The question and error bits together are MessageBox's warning.
    if ((flags & MB_ICONWARNING) == MB_ICONWARNING) return kWarningPicture;
    if (flags & MB_ICONINFORMATION) return kInformationPicture;
    if (flags & MB_ICONQUESTION) return kQuestionPicture;
    if (flags & MB_ICONERROR) return kErrorPicture;
    return kWarningPicture;
}

int MessageCancelResult(MessageMode mode) { return mode == MessageMode::kYesNo ? IDNO : IDCANCEL; }

MessageGrowth MessageGrowthForLength(int length) {
    MessageGrowth growth;
    growth.a = 10 * (length / 30) + 10;
    growth.b = growth.a * 5 / 4;  // a * 1.25, truncated
    growth.h = growth.a - growth.b / 4;
    return growth;
}

Placement GrownDialogPlacement(const PixelRect& dialog, const MessageGrowth& growth) {
    return {0, 0, WidthOf(dialog) + growth.b, HeightOf(dialog) + growth.h};
}

int ButtonRowTop(const PixelRect& grownDialog) { return grownDialog.bottom - kButtonRowFromBottom; }

Placement TextAreaPlacement(const PixelRect& textArea, const MessageGrowth& growth, bool largeFonts) {
    int32_t height = HeightOf(textArea) + growth.h;
    if (largeFonts) height += kLargeFontsExtraHeight;
    return {textArea.left, textArea.top - kTextAreaLift, WidthOf(textArea) + growth.b, height};
}

Placement ButtonPlacement(const PixelRect& button, const MessageGrowth& growth, int buttonRowTop) {
    return {button.left + growth.b / 2, buttonRowTop, WidthOf(button), HeightOf(button)};
}

bool PictureMoves(const MessageGrowth& growth) { return growth.a > kPictureMoveThreshold; }

Placement PicturePlacement(const PixelRect& picture, const PixelRect& textAreaBeforeMove) {
    return {picture.left, textAreaBeforeMove.top - kPictureLift, WidthOf(picture), HeightOf(picture)};
}
