// stand_ins.cpp - stand-ins of shell calls not built yet.
#include "shell/stand_ins.h"

void SHL_stand_in_setupforlang() {}
