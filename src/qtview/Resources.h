#pragma once

namespace zarava {

// Registers the embedded pictures (":/pictures/..."). They live in a static library, so the
// program must ask for them or the linker drops them.
void InitPictureResources();

} // namespace zarava
