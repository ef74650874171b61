// http_prefs.h - the download client's proxy settings in the installer's preferences.
#pragma once

// Binds "_proxy_host", "_proxy_port" and "_proxy_port_int" of preference set
// 11 to the proxy settings of http. Call once at start-up, before the
// preferences are read.
void HTTP_bind_prefs();
