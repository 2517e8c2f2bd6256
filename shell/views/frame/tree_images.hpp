// The images of the navigation tree, by their fixed indices (tree_image::k...).
#pragma once

#include <QIcon>

// A 16 x 16 picture for the index; an unknown index gives a plain grey square.
QIcon TreeImage(int index);
