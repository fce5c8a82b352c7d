// The engine's progress display as the library sees it. The engine owns and implements it.
#pragma once

#include "iastring.h"

class ISyProgressObserver
{
public:
    virtual ~ISyProgressObserver() {}
    // One step of work: a text and a number (the library passes 0).
    virtual void progress(const iastring& text, int number) = 0;
    // The heading above the steps that follow.
    virtual void heading(const iastring& text) = 0;
};
