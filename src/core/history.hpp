#pragma once
// The edit history of the colouring: the colours before and after each change the artist made,
// to be undone and redone, and whether the colouring differs from the one last saved.

#include "core/sprites.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Everything a change of colours can touch: the store's colours and multicolour flags, and what
// the window shows of them (the corner colour, the swatch of the sprite colour, the multicolour
// switch).
struct HistoryState {
    std::array<std::uint8_t, sprites_capacity> colours{};
    std::array<std::int32_t, sprites_capacity> multicolour{};
    std::uint8_t background = 0;
    std::uint8_t multicolour0 = 0;
    std::uint8_t multicolour1 = 0;
    int corner = 0;
    std::uint8_t swatch = 0;
    bool multicolour_switch = false;
    bool operator==(const HistoryState &) const = default;
};

// The store's part of the state; the window's part is left at its defaults for the caller.
HistoryState history_get_store_state();
// Puts the store's part back; selection and bitmaps stay.
void history_set_store_state(const HistoryState &state);

// One user action has turned before into after: it becomes the next step to undo, and the steps
// that were undone are gone. Nothing is recorded when the action changed nothing.
void history_record(const char *label, const HistoryState &before, const HistoryState &after);
// The state to go back to or forward to; nullopt when there is no such step.
std::optional<HistoryState> history_undo();
std::optional<HistoryState> history_redo();
// What the next undo or redo would change ("sprite colour"); empty when there is nothing.
std::string history_get_undo_label();
std::string history_get_redo_label();

// A fresh history, as after opening a project, whose colours are then the saved ones or not.
void history_clear(bool saved);
void history_mark_saved();
// The project changed in a way that no undo brings back (new picture or sprites).
void history_mark_unsaved();
bool history_is_modified();
