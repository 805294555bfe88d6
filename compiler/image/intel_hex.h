// Standard Intel HEX of what the flash holds: the form flash programmers and
// the usual HEX tools read (one address space, one end-of-file record),
// unlike the board loader's block-by-block form.
#pragma once
#include <string>

#include "image/program.h"

namespace image {

// Every segment's bytes at their addresses: an extended linear address
// record (type 04) before the first data record of each 64 KiB page, data
// records of record_size bytes (16; any other value gives 32) that never
// cross a multiple of their size, and one end-of-file record. Upper-case
// digits, "\n" ends every record.
std::string intel_hex(const Program &p, int record_size = 32);

}  // namespace image
