// Writes the seed inputs of one text fuzz target into the folder given:
//   make_text_seeds manifest|prefs|http_reply|text_header|serverlist <folder>
// Each seed is a well-formed file of its kind or one with a known pitfall
// (CRLF line ends, odd numbers, hostile paths, interim replies, endless lines).
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using seed_list = std::vector<std::pair<const char*, std::string>>; // file name, bytes

const std::string manifest_header = "I\n900 version\nINSTALLER\n";

seed_list manifest_seeds()
{
    return {
        {"plain.txt", manifest_header + "DIR Skylume/\n"
                                        "FILE 0 0 0 12 24 d41d8cd98f00b204e9800998ecf8427e Resources/a.txt\n"
                                        "FILE 1 3 7 1 1 GONE Resources/a.txt\n"
                                        "FILE 4 6 -2 0 0 NONE b.dat\n"},
        {"crlf.txt", "I\r\n840 version\r\nINSTALLER\r\nDIR Top/\r\nFILE 0 0 0 1 1 x y z\r\n"},
        {"numbers.txt", manifest_header + "DIR T/\nFILE -+7 99 4294967296 -1 +3 sig f\nFILE - - - - - -\n"},
        {"dotdot.txt", manifest_header + "DIR T/\nFILE 0 0 0 0 0 S ../up\nFILE 0 0 0 0 0 S a/../../b\n"},
        {"absolute.txt", manifest_header + "DIR /\nFILE 0 0 0 0 0 S etc/passwd\n"},
        {"folder_only.txt", manifest_header + "DIR T/\nFILE 0 0 0 0 0 S sub/\n"},
        {"network_names.txt", manifest_header + "DIR T/\nFILE 0 0 0 0 0 S 900 alt terrain/x\n"},
        {"no_keyword.txt", "I\n900 version\nOTHER\nDIR T/\n"},
        {"bare.txt", "A\n840 version\nINSTALLER"},
    };
}

const std::string pref_header = "I\n9001 version\n";

seed_list pref_seeds()
{
    return {
        {"installer.prf", pref_header + "_use_max_cpu 1\n_stream_count 4\n_dest_dir_path /home/u/Skylume/\n"
                                        "_proxy_host proxy.example\n_proxy_port 3128\n_proxy_port_int 3128\n"},
        {"display.prf", pref_header + "_x_res_req_ALL 1024\n_y_res_req_ALL 768\n_set_res 1\n_lang 2\n"},
        {"odd.prf", pref_header + "\t_stream_count\t  99999999999999999999\r\n_lang -5\n  \n_proxy_host   \n"
                                  "_log_actions 0x10\n_rename_folder\n"},
        {"nul.prf", pref_header + std::string("_proxy_host a\0b\n_lang 1\n", 24)},
        {"other_header.prf", "I\n900 version\n_lang 1\n"},
    };
}

// The first byte sets the size of the pieces the reply is fed in.
seed_list http_seeds()
{
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nServer: t\r\n\r\nhello";
    return {
        {"ok_whole.bin", "\x3f" + ok},
        {"ok_bytewise.bin", std::string(1, '\0') + ok},
        {"interim.bin", "\x07HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi"},
        {"no_length.bin", "\x05HTTP/1.0 200 OK\r\nConnection: close\r\n\r\nbody without a length"},
        {"longer_body.bin", "\x09HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef"},
        {"odd_lengths.bin", "\x02HTTP/1.1 206 Partial\r\nContent-Length: +18446744073709551616\r\n"
                            "Content-Length: 1\r\n\r\nx"},
        {"not_found.bin", "\x10HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"},
        {"bare_lf.bin", "\x04HTTP/1.1 200 OK\nContent-Length: 1\n\nx"},
        {"short_status.bin", "\x01HTTP/1.1 2\r\nX\r\n\r\n"},
    };
}

seed_list header_seeds()
{
    return {
        {"text_keyword.txt", "I\n900 version\nINSTALLER\nbody\n"},
        {"text_rest.txt", "A\r\n9001 version and more\r\n"},
        {"text_loose.txt", "I\n-+840\tversion\n  INSTALLERS\n"},
        {"binary_le.bin", std::string("i\x84\x03\x00\x00" "abcdefgh", 13)},
        {"binary_be.bin", std::string("a\x00\x00\x03\x84" "abcdefgh", 13)},
        {"binary_short.bin", std::string("a\x00\x00", 3)},
        {"blank_line.txt", "I\n\n\n900"},
    };
}

// The about window's server list: a full one, and one with the fields it must
// treat as absent (signs, non-digits, an MD5 of the wrong length).
seed_list serverlist_seeds()
{
    return {
        {"full.txt", "FINAL 9.01\nFINAL_VERSION 90100\nBETA_VERSION -+90020\n"
                     "FINAL_INSTALLER_LIN dl.example /a b.zip \r\n"
                     "FINAL_INSTALLER_LIN_MD5 0123456789ABCDEF0123456789abcdef\n"},
        {"odd.txt", "FINAL_VERSION 99999999999999999999\nBETA_VERSION 12a\nBETA_INSTALLER_LIN_MD5 0123\n"},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_text_seeds manifest|prefs|http_reply|text_header|serverlist <folder>\n");
        return 2;
    }
    const std::string kind = argv[1];
    const seed_list seeds = kind == "manifest"      ? manifest_seeds()
                            : kind == "prefs"       ? pref_seeds()
                            : kind == "http_reply"  ? http_seeds()
                            : kind == "text_header" ? header_seeds()
                            : kind == "serverlist"  ? serverlist_seeds()
                                                    : seed_list{};
    if (seeds.empty()) {
        std::fprintf(stderr, "make_text_seeds: no seeds for %s\n", argv[1]);
        return 2;
    }
    for (const auto& s : seeds) {
        const std::string path = std::string(argv[2]) + "/" + s.first;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(s.second.data(), 1, s.second.size(), f) != s.second.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "make_text_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
