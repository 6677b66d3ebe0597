// The discs the kit's tests lay out: the sample disc and a few broken ones, in a folder of their own.
#ifndef TAVIO_TESTS_KIT_KIT_DISCS_H
#define TAVIO_TESTS_KIT_KIT_DISCS_H

#include <string>

// Lays out every test disc below a new temporary folder, once per process, and returns that
// folder (empty when it could not be made). Removed when the process ends.
const std::string& TestDiscs();

#endif
