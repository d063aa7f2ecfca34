// The message dialog's rules that need no window: which buttons and which
// picture the MessageBox-style flags select, what Cancel answers, and how
// far the dialog grows with the length of its text.
#pragma once

#include "ui/logic/pixel_rect.h"

enum class MessageMode { kSingleButton, kOkCancel, kYesNo };

MessageMode MessageModeFromFlags(int flags);

// Bitmap resource numbers of the pictures.
const int kInformationPicture = 152;
const int kQuestionPicture = 153;
const int kWarningPicture = 154;
const int kErrorPicture = 155;

int MessagePictureFromFlags(int flags);

// Cancel, Escape and the close box answer No in Yes/No mode, Cancel
// otherwise.
int MessageCancelResult(MessageMode mode);

// a grows by 10 for every 30 characters of text; the dialog widens by b
// and heightens by h.
struct MessageGrowth {
    int a;
    int b;
    int h;
};

MessageGrowth MessageGrowthForLength(int length);

// The moves of the dialog's initialisation. Every rectangle is in screen
// coordinates, read while the dialog stands at the screen origin; the
// results are used unchanged as positions inside the dialog.
Placement GrownDialogPlacement(const PixelRect& dialog, const MessageGrowth& growth);
int ButtonRowTop(const PixelRect& grownDialog);
Placement TextAreaPlacement(const PixelRect& textArea, const MessageGrowth& growth, bool largeFonts);
Placement ButtonPlacement(const PixelRect& button, const MessageGrowth& growth, int buttonRowTop);
// Only texts of 90 characters or more lift the picture.
bool PictureMoves(const MessageGrowth& growth);
Placement PicturePlacement(const PixelRect& picture, const PixelRect& textAreaBeforeMove);
