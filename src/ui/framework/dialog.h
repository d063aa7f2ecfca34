// A modal dialog run from a dialog template resource. One static dialog
// procedure finds the object (stored with the window at WM_INITDIALOG) and
// dispatches through the class's message map; owner-draw requests are
// reflected to the control objects that draw them.
#pragma once

#include <windows.h>

#include "ui/framework/control.h"
#include "ui/framework/message_map.h"
#include "ui/framework/window.h"

class Dialog : public Window {
public:
    // With no owner, the dialog belongs to the application's main window
    // while that one exists, which it disables for as long as it runs.
    explicit Dialog(int templateId, HWND owner = nullptr);
    ~Dialog() override;

    // The value given to EndDialog, or -1 when the dialog could not be
    // created.
    INT_PTR DoModal();
    void EndDialog(int result) const;

protected:
    virtual const MessageMap<Dialog>* GetMessageMap() const;
    // Binds the controls to their member objects.
    virtual void DoDataExchange() {}
    // The base runs the data exchange. TRUE lets the dialog manager set
    // the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // The equivalent of DDX_Control: subclasses the control unless the
    // object is bound already.
    void BindControl(int id, Control& control) const;
    // What the dialog manager would answer to a WM_CTLCOLORxxx message.
    HBRUSH DefaultControlColour(const Message& message) const;
    HFONT DialogFont() const;

    // The base table: IDOK and IDCANCEL to OnOK and OnCancel.
    static const MessageMap<Dialog> kMessageMap;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT id, WPARAM wParam, LPARAM lParam);
    bool OnOKCommand(Message& message);
    bool OnCancelCommand(Message& message);

    static const MessageEntry<Dialog> kMessageEntries[];

    int templateId_;
    HWND owner_;
};
