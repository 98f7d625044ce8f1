// Where a presented picture lands in a window: shared by every backend, so
// that the desktop, the OpenGL ES path and the page scale alike. No state.
#include "platform/window.h"

#include <algorithm>

// Where the picture lands in a drawable of the given size: the largest area
// of the picture's shape that fits, centred (the bars take the odd pixel on
// the right and at the top).
PresentArea PlacePicture(int drawableWidth, int drawableHeight, int pictureWidth,
                         int pictureHeight) {
    PresentArea area{};
    area.width = drawableWidth;
    area.height = drawableWidth * pictureHeight / pictureWidth;
    if (area.height > drawableHeight) {
        area.height = drawableHeight;
        area.width = drawableHeight * pictureWidth / pictureHeight;
    }
    area.x = (drawableWidth - area.width) / 2;
    area.y = (drawableHeight - area.height) / 2;
    // The smallest whole factor that reaches the area on both axes.
    area.factor = std::max({1, (area.width + pictureWidth - 1) / pictureWidth,
                            (area.height + pictureHeight - 1) / pictureHeight});
    return area;
}
