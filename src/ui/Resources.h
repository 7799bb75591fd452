#pragma once

namespace bg {

// Makes the pictures compiled into the library available under ":/". The library is static, so
// its resource table is registered explicitly by whoever shows a window.
void initResources();

} // namespace bg
