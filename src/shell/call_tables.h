// call_tables.h - what the shell's tables of replaceable calls share: a call
// left null by the installer keeps its default. Header-only.
#pragma once

template <class F>
F or_default(F fn, F fallback)
{
    return fn ? fn : fallback;
}
