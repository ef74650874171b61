// engine_hooks.cpp - default screen hooks of the engine: without a window the
// engine draws nothing, and a modified file is never touched unasked.
#include "engine/engine_hooks.h"

#include "engine/decisions.h"

namespace {

void no_progress(const progress_frame&) {}
int cancel_question(const std::string&, int) { return sel_cancel; }

progress_fn progress_hook = no_progress;
select_fn select_hook = cancel_question;

} // namespace

progress_fn ENG_set_progress_hook(progress_fn fn)
{
    const progress_fn old = progress_hook;
    progress_hook = fn ? fn : no_progress;
    return old;
}

select_fn ENG_set_select_hook(select_fn fn)
{
    const select_fn old = select_hook;
    select_hook = fn ? fn : cancel_question;
    return old;
}

void ENG_show_progress(const progress_frame& frame) { progress_hook(frame); }

int select_alert(std::string path, int gone) { return select_hook(path, gone); }
