// Static message maps: each window class lists the messages it handles in
// a constant table of its own, and a class's table names the table of its
// base class, which is searched next.
#pragma once

#include <windows.h>

#include <cstddef>

// One message as the handlers see it. A handler that returns true has
// handled the message and left its answer in `result`; false lets the
// default processing run.
struct Message {
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

enum class MessageKind {
    kWindowMessage,  // code is the message number
    kButtonClicked,  // WM_COMMAND with BN_CLICKED; code is the control id
    kControlColour,  // any WM_CTLCOLORxxx; code is unused
};

template <class Target>
using MessageHandlerOf = bool (Target::*)(Message& message);

template <class Target>
struct MessageEntry {
    MessageKind kind;
    UINT code;
    MessageHandlerOf<Target> handler;
};

template <class Target>
struct MessageMap {
    const MessageMap* base;
    const MessageEntry<Target>* entries;
    size_t count;
};

bool MessageEntryMatches(MessageKind kind, UINT code, const Message& message);
bool IsControlColourMessage(UINT id);
// The colour type of a WM_CTLCOLORxxx message, as CTLCOLOR_DLG (4),
// CTLCOLOR_STATIC (6) and the others number them.
int ControlColourType(const Message& message);

template <class Target>
const MessageEntry<Target>* FindMessageEntry(const MessageMap<Target>* map, const Message& message) {
    for (; map != nullptr; map = map->base)
        for (size_t i = 0; i < map->count; ++i)
            if (MessageEntryMatches(map->entries[i].kind, map->entries[i].code, message)) return &map->entries[i];
    return nullptr;
}

// Handlers of derived classes enter a base class's table through this
// conversion, which is valid because they are only ever called on objects
// of their own class.
template <class Base, class Derived>
constexpr MessageHandlerOf<Base> MessageHandler(MessageHandlerOf<Derived> handler) {
    return static_cast<MessageHandlerOf<Base>>(handler);
}
