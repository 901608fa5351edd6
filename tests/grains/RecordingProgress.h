#pragma once
/** @brief A WorkProgress that records what the work reports, with a hook in place of the message pump. */

#include "grains/WorkProgress.h"

#include <QString>

#include <functional>
#include <vector>

namespace vtest
{

class RecordingProgress : public dlg::WorkProgress
{
public:
    void SetPercent(int percent) override { percents.push_back(percent); }
    void SetStatus(const QString& text) override { statuses.push_back(text); }
    void Pump() override
    {
        ++pumps;
        if (onPump)
            onPump(percents.empty() ? -1 : percents.back());
    }
    void Wait() override
    {
        ++waits;
        if (onWait)
            onWait();
    }
    void ShowError(const QString& message) override { errors.push_back(message); }

    bool HasStatus(const QString& text) const
    {
        for (const QString& s : statuses)
            if (s == text)
                return true;
        return false;
    }

    std::vector<int> percents;
    std::vector<QString> statuses;
    std::vector<QString> errors;
    int pumps = 0;
    int waits = 0;
    /** Runs inside Pump with the last percentage shown: a Cancel button's handler would act here. */
    std::function<void(int)> onPump;
    std::function<void()> onWait;
};

} // namespace vtest
