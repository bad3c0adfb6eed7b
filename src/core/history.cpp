#include "core/history.hpp"

#include <vector>

namespace {

struct Step {
    std::string label;
    HistoryState before, after;
    unsigned before_id, after_id; // the states they stand for, to compare with the saved one
};

// No state has this id, so that a project whose saved state is lost stays modified.
constexpr unsigned unreachable_id = 0;

std::vector<Step> undo_steps;
std::vector<Step> redo_steps;
unsigned next_id = unreachable_id + 1;
unsigned current_id = next_id++;
unsigned saved_id = current_id;

} // namespace

HistoryState history_get_store_state() {
    HistoryState state;
    // Records past the sprites in use keep zeros: no change reaches them.
    for (unsigned i = 0; i < sprites_get_array_size(); ++i) {
        const SpriteRecord *record = sprites_get_record_at_index(i);
        state.colours[i] = record->color;
        state.multicolour[i] = record->multicolor;
    }
    state.background = sprites_get_background_color();
    state.multicolour0 = sprites_get_multicolor0();
    state.multicolour1 = sprites_get_multicolor1();
    return state;
}

void history_set_store_state(const HistoryState &state) {
    for (unsigned i = 0; i < sprites_get_array_size(); ++i) {
        sprites_set_color_at_index(i, state.colours[i]);
        sprites_set_multicolor_at_index(i, state.multicolour[i]);
    }
    sprites_set_background_color(state.background);
    sprites_set_multicolor0(state.multicolour0);
    sprites_set_multicolor1(state.multicolour1);
}

void history_record(const char *label, const HistoryState &before, const HistoryState &after) {
    if (before == after) {
        return;
    }
    redo_steps.clear();
    undo_steps.push_back({label, before, after, current_id, next_id});
    current_id = next_id++;
}

std::optional<HistoryState> history_undo() {
    if (undo_steps.empty()) {
        return std::nullopt;
    }
    redo_steps.push_back(std::move(undo_steps.back()));
    undo_steps.pop_back();
    current_id = redo_steps.back().before_id;
    return redo_steps.back().before;
}

std::optional<HistoryState> history_redo() {
    if (redo_steps.empty()) {
        return std::nullopt;
    }
    undo_steps.push_back(std::move(redo_steps.back()));
    redo_steps.pop_back();
    current_id = undo_steps.back().after_id;
    return undo_steps.back().after;
}

std::string history_get_undo_label() {
    return undo_steps.empty() ? std::string() : undo_steps.back().label;
}

std::string history_get_redo_label() {
    return redo_steps.empty() ? std::string() : redo_steps.back().label;
}

void history_clear(bool saved) {
    undo_steps.clear();
    redo_steps.clear();
    current_id = next_id++;
    saved_id = saved ? current_id : unreachable_id;
}

void history_mark_saved() {
    saved_id = current_id;
}

void history_mark_unsaved() {
    saved_id = unreachable_id;
}

bool history_is_modified() {
    return current_id != saved_id;
}
