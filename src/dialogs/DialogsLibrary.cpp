// The dialogs library is built from every source of this folder but the grain engine's; this file
// keeps it a library while it has no other.
