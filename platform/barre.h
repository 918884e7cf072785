// A progress bar for long runs, drawn on standard error when it is a terminal and silent otherwise.
#pragma once

#include "platform/system.h"

class CBarre {
  public:
    explicit CBarre(const UnicodeString& caption = "");
    ~CBarre();
    CBarre(const CBarre&) = delete;
    CBarre& operator=(const CBarre&) = delete;

    void SetRange(int minimum, int maximum);
    void SetPosition(int position);
    void StepIt(int steps = 1);
    // Shows a message and advances by one step.
    void Next(const UnicodeString& message);
    void SetMessage(const UnicodeString& message);
    int Position() const { return position_; }

  private:
    void Draw();

    UnicodeString caption_, message_;
    int minimum_ = 0, maximum_ = 100, position_ = 0;
    bool visible_;
    bool drawn_ = false;
};
