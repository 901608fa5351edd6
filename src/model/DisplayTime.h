#pragma once
/** @brief The whole seconds a screen shows for a time of the session.
 *
 * Times are stored as fractions of the session, so a time the user set on a whole second comes
 * back from fraction x length a hair below it (0.7 x 2700 = 1889.9999999999998): cut to the
 * second at once it would read one second early, and From + Length would miss To by one. Every
 * screen that turns such a product into minutes and seconds goes through DisplaySeconds. */

namespace model
{

/** @p seconds rounded to the nearest millisecond, then cut to the whole second. 0 for a negative
 *  or not-finite value; at most INT_MAX. */
int DisplaySeconds(double seconds);

} // namespace model
