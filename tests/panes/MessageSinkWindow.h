#pragma once
// A parent window for pane tests: it records every application message a child sends it.

#include "controls/Window.h"

#include <algorithm>
#include <vector>

namespace vtest
{

class MessageSinkWindow : public ui::Window
{
public:
    std::vector<unsigned> messages;

    int Count(unsigned message) const { return int(std::count(messages.begin(), messages.end(), message)); }

protected:
    ui::LResult OnAppMessage(ui::MessageEvent& message) override
    {
        messages.push_back(message.Message());
        return 0;
    }
};

} // namespace vtest
