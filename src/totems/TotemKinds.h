#pragma once
// The seven totem colours as the panel builds them: the section of
// "Totems.cfg", the default glow colour, the figure pictures, the parameter
// block and the figure class. A colour whose power is built names its class
// here; the others read their shared keys and get no figure.
#include <cstdint>

enum class ESound : int;
class CTotem;
class CTotemColourParams;

struct CTotemKind {
    const char* Section;
    const char* ShineDefault;
    const char* Picture; // quest picture, without ".png"
    ESound LaunchSound;
    CTotemColourParams* (*NewParams)();
    CTotem* (*NewFigure)();
};

// By colour index 0..6.
const CTotemKind& TotemKind(int32_t colour);
