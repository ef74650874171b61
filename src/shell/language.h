// language.h - the language's text folder, and two entry points that do
// nothing on this platform. Main thread only.
#pragma once

#include <string>

// The text folder of a language index ("text/english/" .. "text/korean/"),
// "" for an index outside 0..6.
std::string MACIBM_text_folder(int lang);
// Works out the text folder of mnw.lang; start-up calls it once after the
// language question. Reads no file and changes nothing.
void MACIBM_setupforlang();
void IBM_turnoff();                  // nothing to switch off here
void go_to_URL(std::string address); // no browser is started here; returns at once
