#pragma once

#include <QImage>
#include <QString>

#include <utility>
#include <vector>

namespace resources {

// Composed views of the windows (background, buttons at rest, texts at their places,
// the outlines of the board regions) for reviewing the artwork as the user will see it.
std::vector<std::pair<QString, QImage>> Mockups();

} // namespace resources
