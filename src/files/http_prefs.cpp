// http_prefs.cpp - proxy settings bound to the installer's preference set.
#include "files/http_prefs.h"

#include "files/http.h"
#include "files/pref_files.h"

void HTTP_bind_prefs()
{
    pref.bind_string(pref_set_installer, "_proxy_host", &http.proxy_host);
    pref.bind_string(pref_set_installer, "_proxy_port", &http.proxy_port_text);
    pref.bind_int(pref_set_installer, "_proxy_port_int", &http.proxy_port);
}
