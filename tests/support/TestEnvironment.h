#pragma once
/** @brief Test-only helpers shared by every test executable. */

#include <QString>

#include <cstdint>
#include <vector>

namespace vtest
{

/** The private HOME the test executable runs in (created by the test main). */
QString TestHome();

/** Writes @p bytes to @p path, creating its folder. */
void WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes);

} // namespace vtest
