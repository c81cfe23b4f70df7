#pragma once

#include <QIcon>

namespace zorva::ui {

// Imgage32: our own 32 x 32 images for the two buttons.
QIcon checkMarkImage();       // image 0: a blue check mark
QIcon downArrowCircleImage(); // image 1: a blue circle with a downward arrow
QIcon applicationIcon();

} // namespace zorva::ui
