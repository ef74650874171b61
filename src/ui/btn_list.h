// btn_list.h - the scrolling list with type-ahead search: rows of names from
// the caller's callbacks, an icon per kind, a vertical slider on the right,
// an optional text field below. Typing the first letters of a name selects
// the first item that begins with them. All lists share one key queue and one
// type-ahead buffer (a list is known by its position). Conventions of
// btn_frames.h. Main thread only.
#pragma once

#include <string>

using btn_name_fn = std::string (*)(int index, void* ref);
using btn_kind_fn = int (*)(int index, void* ref);

// Units between rows: an icon's height, and the interface font's letters
// from the top of a capital to an underscore with a unit to spare.
constexpr float btn_list_row = 12.0f;

// id: the slider's grab record (0..3). x: left edge; y: centre line; w, h not
// above 0: 290 x 220, 17 rows. *scroll: the item in the middle row, kept where
// the rows are filled (the first item on the top row when all fit, never
// empty rows past either end); *selection: the selected item, clamped into
// first..last. Neither is touched when the range is empty (last < first);
// the caller must not index with them then. text: the field under the list
// (null: none), 36 characters at most, with field_label. name2 and kind may
// be null. 1 on the frame of a double click in the list.
int BTN_list_and_search(int id, float x, float y, float w, float h, int* scroll, int* selection, int first, int last,
                        std::string* text, const std::string& field_label, btn_name_fn name, void* name_ref,
                        btn_name_fn name2, void* name2_ref, btn_kind_fn kind, void* kind_ref);

std::string BTN_name_from_vector(int index, void* strings); // element of a std::vector<std::string>
int BTN_type_from_vector(int index, void* ints);            // element of a std::vector<int>

// Empties the shared key queue and type-ahead; for tests.
void BTN_reset_lists();
