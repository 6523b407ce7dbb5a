// The probe built as C++: its exports must keep C linkage, and it can throw.
#include "probe.c"
