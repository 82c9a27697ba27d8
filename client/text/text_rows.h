#pragma once

// The built-in texts as plain rows. Texts used as format strings keep the same printf
// placeholders in the same order in every language.

#include <span>

namespace orv {

struct TextRow {
    int number;
    const char* english;
    const char* chinese;
    const char* japanese;
};

// Numbers 0..156: call progress, errors, confirmations and other messages.
std::span<const TextRow> MessageTextRows();

// Numbers 157..357: window titles, labels, buttons and menu items.
std::span<const TextRow> LabelTextRows();

// Numbers 1700..1749: the main window's status, call outcomes and tray menu.
enum MainWindowText : int {
    kTextMissedCallFrom = 1700,
    kTextMissedCallsPlural = 1701,
    kTextOfflineCallsPlural = 1702,
    kTextOnLine = 1703,
    kTextOffLine = 1704,
    kTextNotConnected = 1705,
    kTextCannotOpen = 1706,
    kTextNumberHint = 1707,
    kTextShowWindow = 1708,
    kTextHideWindow = 1709,
    kTextEnterServerAddress = 1710,
    kTextNoAnswerFrom = 1711,
    kTextDecline = 1712,
    kTextIncomingCallFrom = 1713,
    kTextDialPad = 1714,
    kTextHeadsetButtons = 1745,
    kTextCannotFindFile = 1746,
};
std::span<const TextRow> MainWindowTextRows();

}  // namespace orv
