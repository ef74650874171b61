// app_screen.cpp - the installer's menu and function-key hooks (the per-frame
// screen itself is screen_main.cpp).
#include "installer/app_screen.h"

void APP_handlemenu(int) {}
void function_key(int) {}
