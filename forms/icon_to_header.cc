// Build tool: turns the shipped PNG icon into a C++ header of its pixels, so that the program
// carries its icon inside and needs no file at run time to show it.
//   icon_to_header ICON.png OUTPUT.h
// The header defines icon_width, icon_height and icon_argb: one 0xAARRGGBB value per pixel, row
// by row from the top, alpha not premultiplied (the layout of the desktop's _NET_WM_ICON).
#include <png.h>

#include <cstdio>
#include <vector>

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: icon_to_header ICON.png OUTPUT.h\n");
    return 2;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, argv[1])) {
    fprintf(stderr, "icon_to_header: %s: %s\n", argv[1], image.message);
    return 1;
  }
  image.format = PNG_FORMAT_ARGB;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    fprintf(stderr, "icon_to_header: %s: %s\n", argv[1], image.message);
    return 1;
  }

  FILE *out = fopen(argv[2], "w");
  if (!out) {
    perror(argv[2]);
    return 1;
  }
  fprintf(out,
          "// Written by icon_to_header from %s at build time.\n#pragma once\n\n"
          "constexpr int icon_width = %u, icon_height = %u;\n"
          "constexpr unsigned long icon_argb[] = {",
          argv[1], image.width, image.height);
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    unsigned long argb = 0;
    for (int byte = 0; byte < 4; byte++) argb = argb << 8 | pixels[i + byte];
    fprintf(out, "%s0x%08lx,", i % 32 == 0 ? "\n   " : " ", argb);
  }
  fprintf(out, "\n};\n");
  if (fclose(out) != 0) {  // a cut header must not pass for a built one
    perror(argv[2]);
    remove(argv[2]);
    return 1;
  }
  return 0;
}
