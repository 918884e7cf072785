// A progress bar for long runs, drawn on standard error when it is a terminal and silent otherwise.
#pragma once

#include <vector>

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
    const UnicodeString& Message() const { return message_; }

    const UnicodeString& Caption() const { return caption_; }
    void SetCaption(const UnicodeString& caption);
    // The steps of a long run, one message per line (a text ending with a line break has no empty
    // last step). Open shows the first; NextMessage moves to the next one (and stays on the last).
    void SetMessages(const UnicodeString& steps);
    void Open();
    void NextMessage();
    // The step shown, from 0; -1 before Open.
    int Step() const { return step_; }
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }

    // Draws every bar shown on a terminal (stderr), in place of the default bar; null: the default.
    // `done` is called once when a drawn bar ends.
    struct Renderer {
        void (*draw)(const CBarre& bar) = nullptr;
        void (*done)(const CBarre& bar) = nullptr;
    };
    static void SetRenderer(const Renderer& renderer);

private:
    void Draw();

    UnicodeString caption_, message_;
    std::vector<UnicodeString> steps_;
    int step_ = -1;
    int minimum_ = 0, maximum_ = 100, position_ = 0;
    bool visible_;
    bool drawn_ = false;
};
