// stand_ins.h - minimal versions of shell calls that start-up needs before
// the real ones exist. Main thread only.
#pragma once

void SHL_stand_in_setupforlang(); // English only: nothing to set up
