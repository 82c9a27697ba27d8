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

}  // namespace orv
