#pragma once
/** @brief One named stretch of the session timeline, as fractions of the session length.
 *
 * A stage covers [m_start, m_end): the end belongs to the next stage. */

#include <QString>

struct CStage
{
    QString m_name;
    double m_start = 0.0;
    double m_end = 0.0;
};
