// Saving the current array's intensity plane as the group holds it (after repairs in the
// array image view) into the array's QVF file, as its raw intensities.
#pragma once

// Reads CUR_ARRAY into the working CHIP_DATA, puts the group's plane of that array in
// place of its raw plane, marks it not normalised and writes its QVF file. False when
// there is no such array, its plane is not held, or the read or the write fails; *error,
// when given, gets the system's reason of a failed write.
[[nodiscard]] bool WriteCurrentArrayQvf(int* error = nullptr);
