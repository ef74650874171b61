// app_screen.cpp - the installer's menu and function-key hooks (the per-frame
// screen itself is screen_main.cpp).
#include "installer/app_screen.h"

#include "engine/stg.h"

void APP_handlemenu(int) {}
void function_key(int) {}
int INS_use_max_cpu() { return stg.use_max_cpu; }
