// widget_drawing.h - the widget set's drawing table filled with the drawing
// layer's calls, so that frames, panels, buttons and fields reach GL. The
// program installs it at start-up, before the first frame; until then the
// widget set draws nothing. Main thread only.
#pragma once

#include "ui/btn_draw.h"

btn_draw_calls INS_widget_draw_calls(); // the table on the drawing layer
void INS_install_widget_drawing();      // BTN_set_draw_calls(INS_widget_draw_calls())
