// Closing the open group in the engine: what the group and the model hold of it goes,
// while the group's name and settings stay for the closing message and the next open.
#pragma once

// No arrays; the data flags off (probe data, normalised, modelled, logged, calls and
// standard errors); the model holds no probe set. Batch adjustment and the open mode
// belong to the commands and stay.
void CloseGroupData();
