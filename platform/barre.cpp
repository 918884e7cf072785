#include "platform/barre.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {
CBarre::Renderer renderer;
}

void CBarre::SetRenderer(const Renderer& chosen) {
    renderer = chosen;
}

CBarre::CBarre(const UnicodeString& caption) : caption_(caption), visible_(isatty(STDERR_FILENO) != 0) {}

CBarre::~CBarre() {
    if (!drawn_) return;
    if (renderer.done)
        renderer.done(*this);
    else
        std::fputs("\n", stderr);
}

void CBarre::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = minimum;
    Draw();
}

void CBarre::SetPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    Draw();
}

void CBarre::StepIt(int steps) {
    SetPosition(position_ + steps);
}

void CBarre::Next(const UnicodeString& message) {
    message_ = message;
    StepIt();
}

void CBarre::SetMessage(const UnicodeString& message) {
    message_ = message;
    Draw();
}

void CBarre::Draw() {
    if (!visible_) return;
    drawn_ = true;
    if (renderer.draw) return renderer.draw(*this);
    const int width = 30;
    int span = maximum_ - minimum_;
    int filled = span == 0 ? width : (position_ - minimum_) * width / span;
    int percent = span == 0 ? 100 : (position_ - minimum_) * 100 / span;
    std::fprintf(stderr, "\r%s [%-*s] %3d%% %-40.40s", caption_.c_str(), width,
                 std::string(filled, '#').c_str(), percent, message_.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void CBarre::SetCaption(const UnicodeString& caption) {
    caption_ = caption;
    Draw();
}

void CBarre::SetMessages(const UnicodeString& steps) {
    steps_.clear();
    step_ = -1;
    size_t start = 0;
    while (start < steps.size()) {
        size_t end = steps.find('\n', start);
        if (end == UnicodeString::npos) end = steps.size();
        steps_.push_back(steps.substr(start, end - start));
        start = end + 1;
    }
}

void CBarre::Open() {
    step_ = 0;
    SetMessage(steps_.empty() ? UnicodeString() : steps_.front());
}

void CBarre::NextMessage() {
    if (step_ + 1 < static_cast<int>(steps_.size())) ++step_;
    if (step_ >= 0 && step_ < static_cast<int>(steps_.size())) SetMessage(steps_[step_]);
}
