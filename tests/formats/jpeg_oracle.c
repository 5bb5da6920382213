/* Test oracle: prints the quantised coefficients that libjpeg reads from a
   JPEG file, one block a line, "component row column c0 ... c63" in natural
   order, for the blocks that hold picture samples. Compiled by
   jpeg_decoder_test.py only; the program itself never links libjpeg. */
#include <stdio.h>
#include <jpeglib.h>

int main(int argc, char** argv) {
  if (argc != 2) return 3;
  FILE* in = fopen(argv[1], "rb");
  if (!in) return 1;
  struct jpeg_decompress_struct cinfo;
  struct jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, in);
  jpeg_read_header(&cinfo, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
  for (int ci = 0; ci < cinfo.num_components; ++ci) {
    jpeg_component_info* comp = &cinfo.comp_info[ci];
    for (JDIMENSION by = 0; by < comp->height_in_blocks; ++by) {
      JBLOCKARRAY row = (*cinfo.mem->access_virt_barray)((j_common_ptr)&cinfo, arrays[ci], by, 1, FALSE);
      for (JDIMENSION bx = 0; bx < comp->width_in_blocks; ++bx) {
        printf("%d %u %u", ci, by, bx);
        for (int k = 0; k < DCTSIZE2; ++k) printf(" %d", row[0][bx][k]);
        printf("\n");
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  fclose(in);
  return 0;
}
