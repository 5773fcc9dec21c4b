#pragma once
// SECDib: the image in the BMP/DIB file form, the working image type of the
// program. A file is the 14-byte file header, the 40-byte info header, the
// colour table (2, 16 or 256 entries at 1, 4 or 8 bits) and the padded pixel
// rows bottom-up.
//
// The reader takes the variants real files use (see bmpreader.h) and gives
// a picture of 1, 4, 8 or 24 bits. Whatever was read, a written file is
// valid: a 40-byte header with biPlanes 1, the full colour table of the
// depth, biClrUsed covering every index in use, consistent sizes.

#include "prentix/image/bmpreader.h"
#include "prentix/image/imagebase.h"

namespace prentix {

class SECDib : public SECImageBase {
 public:
  using SECImageBase::SECImageBase;

  bool WriteFormat(CFile* file) override;
  bool ReadFormat(CFile* file) override;
};

}  // namespace prentix
