// Image/Scale CEL Value of the array image view.
#pragma once

class ShellFrame;

// For an array of the open group: the Scale CEL values dialog, and on OK the job that
// rescales the array's raw intensities and saves them in its QVF file. True when the job
// ran and succeeded; false for no such array, Cancel, or a failed job (told in the log).
bool RunScaleCelValue(ShellFrame& frame, int array);
