// opensave.h - folder listing for the file and folder pickers: the entries of
// one folder that suit a picker type, each with its kind, sorted by name
// without regard to letter case. Main thread only.
#pragma once

#include <string>
#include <vector>

// ---- picker types and file kinds (one numbering for both) -----------------
enum : int {
    file_kind_any = 0,     // kind: a file with no known suffix; picker: every entry
    file_kind_folder = 1,  // kind: a folder or a command group; picker: folders only
    file_kind_image = 2,   // ".BMP" ".PNG"
    file_kind_acf = 3,
    file_kind_afl = 4,
    file_kind_wpn = 5,
    file_kind_wav = 6,
    file_kind_obj = 7,
    file_kind_fdr = 8,
    file_kind_sit = 9,
    file_kind_smo = 10,
    file_kind_fms = 11,
    file_kind_panel = 12,  // picker only: panel images
    file_kind_tra = 13,
    file_kind_car = 14,
    file_kind_spa = 15,
    file_kind_reg = 16,
    file_kind_dsf = 17,
    file_kind_hgt = 18,
    file_kind_txt = 19,
    picker_nothing = 20,   // picker only: lists nothing
    file_kind_command = 21, // picker: registered command paths; kind of a command
};

// Lists app_path + folder (folder ends in '/'; a full folder of two or more
// characters without it is a program fault: fatal alert) into names and kinds,
// cleared first; returns the count. A folder that cannot be opened gives 0.
// Type 21 lists the command registry's components under folder instead; 20 nothing.
// *links_seen (when not null) becomes 1 when an entry was a symbolic link or of
// a type the folder does not tell (its kind may change with no change to the folder).
int opensave_getitems(const std::string& folder, int picker_type, std::vector<std::string>& names,
                      std::vector<int>& kinds, int* links_seen = nullptr);

// 1 to list the entry folder + name for picker_type, 0 to drop it; sets kind
// from a known suffix (folders included).
int opensave_takeit(const std::string& folder, const std::string& name, int picker_type, int& kind);

// Sorts names (and kinds with them) by ASCII-lower-cased signed bytes, a proper
// prefix first. Names equal but for letter case keep the order that the
// listing's exchange procedure gives them.
void opensave_sort(std::vector<std::string>& names, std::vector<int>& kinds);
