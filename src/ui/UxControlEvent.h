#pragma once
// The record a window writes for each pointer happening it sees: the forms
// manager gathers them from every form for the screens, which act on the
// control ids.
#include <cstdint>

struct CUxControlEvent {
    enum Kind : int32_t {
        kClick = 0,        // button 0 released inside after a press inside
        kPressed = 1,      // button b pressed inside: kPressed + 2b
        kReleased = 2,     // button b released anywhere: kReleased + 2b
        kEntered = 11,     // the pointer came in
        kLeft = 12,        // the pointer went out
        kValueChanged = 13 // a check box toggled or a scroller moved
    };
    int32_t Kind = kClick;
    int32_t Id = 0;
    float X = 0.0f; // pointer in the window's unscaled units from its centre
    float Y = 0.0f;
    int32_t WindowType = 0;
};
