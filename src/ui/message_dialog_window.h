// The program's own message box (dialog template 142): a picture, the
// text, and skinned buttons in one of three sets. It grows with its text
// and centres on the main window.
#pragma once

#include <string>

#include "ui/framework/dialog.h"
#include "ui/framework/gdi_objects.h"
#include "ui/logic/message_layout.h"
#include "ui/skinned_button.h"

class MessageDialog : public Dialog {
public:
    MessageDialog();

    void SetMessage(const char* text) { message_ = text != nullptr ? text : ""; }
    void SetCaption(const char* caption) { caption_ = caption != nullptr ? caption : ""; }
    // Sets exactly one mode and the picture from MessageBox-style flags.
    void Configure(int flags);

protected:
    const MessageMap<Dialog>* GetMessageMap() const override;
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    bool OnYes(Message& message);
    bool OnNo(Message& message);
    bool OnSingleOk(Message& message);
    bool OnPaint(Message& message);
    bool OnCtlColor(Message& message);
    void LayOutForText();
    void PaintPicture() const;

    static const MessageEntry<Dialog> kMessageEntries[];
    static const MessageMap<Dialog> kMessageMap;

    Control pictureArea_;
    NCExButton yesButton_;
    NCExButton okButton_;
    NCExButton noButton_;
    NCExButton singleOkButton_;
    NCExButton cancelButton_;
    Control textArea_;
    int pictureNumber_ = kWarningPicture;
    int singleButtonMode_ = 0;
    int okCancelMode_ = 0;
    int yesNoMode_ = 0;
    std::string message_;
    std::string caption_;
    Brush background_;  // made at the first colour request
};
