// The message keys of the errors section, each with its built-in text.
#ifndef TAVIO_SETTINGS_MESSAGES_H
#define TAVIO_SETTINGS_MESSAGES_H

// In catalogue order. The launch-result reasons stand in code order.
enum MessageId : unsigned char {
    MsgLauncherTitle,
    MsgErrorRoot,
    MsgErrorFindLaunch32,
    MsgErrorFindLaunchNT,
    MsgErrorFindNoInst32,
    MsgErrorFindNoInstNT,
    MsgErrorLaunch32,
    MsgErrorLaunchNT,
    MsgErrorRun32,
    MsgErrorRunNT,
    MsgErrorLaunchNoInst32,
    MsgErrorLaunchNoInstNT,
    MsgErrorMem,
    MsgErrorFileNotFound,
    MsgErrorPathNotFound,
    MsgErrorAccessDenied,
    MsgErrorShellMemory,
    MsgErrorBadFormat,
    MsgErrorShare,
    MsgErrorBadAssociation,
    MsgErrorDDETimeout,
    MsgErrorDDEFail,
    MsgErrorDDEBusy,
    MsgErrorNoAssociation,
    MsgErrorDllNotFound,
    MsgErrorUnknown,
    MessageCount
};

struct MessageEntry {
    const char* Key;
    const char* BuiltInText;
};
extern const MessageEntry MessageCatalogue[MessageCount];

// ReadErrorText of the message's key and built-in text: the shared result buffer.
const char* ReadMessage(MessageId id);

#endif
