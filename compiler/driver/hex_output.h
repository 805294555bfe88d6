// Intel HEX output of the finished image: code, constant strings and the
// symbol page.
#pragma once

void write_image();
