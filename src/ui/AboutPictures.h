// AboutPictures: the about box's pictures, drawn at run time: the product picture and the three
// looks of the donation button (at rest, under the pointer, pressed).
#pragma once

#include <QPixmap>

namespace zorvane {

QPixmap ProductPicture(); // 100 x 200
enum class DonateLook { Normal, Hover, Pressed };
QPixmap DonateButtonPicture(DonateLook look); // 62 x 31

} // namespace zorvane
