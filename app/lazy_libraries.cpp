// The command-line program's libraries beyond the C and C++ runtime, zlib and OpenGL: Cairo,
// the image codecs, and Pango with the GLib calls that come with it. Each is loaded at the
// first call of one of its functions, with RTLD_LOCAL. Linked into the command-line program
// only (the window program links the libraries themselves): with --as-needed these
// definitions take the libraries' place, so none of them is loaded at start.
//
// Why: a render or thumbnail is mostly the start of the OpenGL driver, and the driver's
// 15 000 symbol bindings search every library loaded at start. With these 30 libraries loaded
// (Cairo's and the codecs' dependencies) the bare driver start took 3.3 ms longer; loaded
// locally later they are outside that search. A model without textures needs no codec, and
// --version, --help and info need none of them.
//
// Each function is a jump through a slot. The slot first holds a stub that saves the
// argument registers (and %al, the count of vector registers a variadic call passes), loads
// the library, stores the real address in the slot and jumps there with the registers as they
// were, so every later call is one indirect jump. No frame of ours stays on the stack.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#if !defined(__x86_64__) || !defined(__ELF__)
#error "The trampolines are x86-64 ELF; elsewhere the program links the libraries directly"
#endif

namespace {

enum TLibrary { kCairo, kPng, kJpeg, kTiff, kGif, kOpenJpeg, kText, kLibraryCount };

// The sonames are read off the libraries the program was built against (CMakeLists.txt).
// The text functions are looked up through pangocairo, which brings Pango and GLib.
constexpr const char* kSonames[kLibraryCount] = {
    FACETMINT_SONAME_CAIRO,     FACETMINT_SONAME_PNG, FACETMINT_SONAME_JPEG,
    FACETMINT_SONAME_TIFF,      FACETMINT_SONAME_GIF, FACETMINT_SONAME_OPENJPEG,
    FACETMINT_SONAME_PANGOCAIRO};

// The library, loaded once. A library that cannot be loaded ends the program with a message:
// its function was called, and nothing can stand in for it.
void* Library(int index) {
  static std::mutex mutex;
  static void* handles[kLibraryCount] = {};
  const std::lock_guard<std::mutex> lock(mutex);
  if (!handles[index]) {
    handles[index] = dlopen(kSonames[index], RTLD_NOW | RTLD_LOCAL);
    if (!handles[index]) {
      std::fprintf(stderr, "facetmint: a library cannot be loaded: %s\n", dlerror());
      std::_Exit(1);
    }
  }
  return handles[index];
}

}  // namespace

extern "C" {

// One per function; the trampoline jumps through Target, so it must stay first.
struct TLazySymbol {
  void* Target;
  int Library;
  const char* Name;
};

__attribute__((visibility("hidden"), used)) void* FacetmintResolveLazySymbol(TLazySymbol* symbol) {
  void* address = dlsym(Library(symbol->Library), symbol->Name);
  if (!address) {
    std::fprintf(stderr, "facetmint: %s has no %s\n", kSonames[symbol->Library], symbol->Name);
    std::_Exit(1);
  }
  // Two threads may resolve the same function at once; both store the same address.
  __atomic_store_n(&symbol->Target, address, __ATOMIC_RELEASE);
  return address;
}

}  // extern "C"

// Entered from a stub with the function's TLazySymbol in %r11 (no argument is passed in it).
// At the function's entry %rsp is 8 past a multiple of 16 (the return address); the seven
// pushes make it a multiple again, as the call needs, and the 128 bytes keep it one.
asm(R"(
  .text
  .p2align 4
  .type facetmint_lazy_resolve, @function
facetmint_lazy_resolve:
  push %rdi
  push %rsi
  push %rdx
  push %rcx
  push %r8
  push %r9
  push %rax
  sub $128, %rsp
  movdqu %xmm0, 0(%rsp)
  movdqu %xmm1, 16(%rsp)
  movdqu %xmm2, 32(%rsp)
  movdqu %xmm3, 48(%rsp)
  movdqu %xmm4, 64(%rsp)
  movdqu %xmm5, 80(%rsp)
  movdqu %xmm6, 96(%rsp)
  movdqu %xmm7, 112(%rsp)
  mov %r11, %rdi
  call FacetmintResolveLazySymbol
  mov %rax, %r11
  movdqu 0(%rsp), %xmm0
  movdqu 16(%rsp), %xmm1
  movdqu 32(%rsp), %xmm2
  movdqu 48(%rsp), %xmm3
  movdqu 64(%rsp), %xmm4
  movdqu 80(%rsp), %xmm5
  movdqu 96(%rsp), %xmm6
  movdqu 112(%rsp), %xmm7
  add $128, %rsp
  pop %rax
  pop %r9
  pop %r8
  pop %rcx
  pop %rdx
  pop %rsi
  pop %rdi
  jmp *%r11
  .size facetmint_lazy_resolve, .-facetmint_lazy_resolve
)");

// The functions, by library. A function the program calls but this list lacks makes the
// linker keep its library as needed at start; the start-up test then fails.
#define FACETMINT_LAZY_FUNCTIONS(X)                  \
  X(kCairo, cairo_append_path)                       \
  X(kCairo, cairo_arc)                               \
  X(kCairo, cairo_arc_negative)                      \
  X(kCairo, cairo_clip)                              \
  X(kCairo, cairo_close_path)                        \
  X(kCairo, cairo_copy_clip_rectangle_list)          \
  X(kCairo, cairo_copy_path)                         \
  X(kCairo, cairo_copy_path_flat)                    \
  X(kCairo, cairo_create)                            \
  X(kCairo, cairo_curve_to)                          \
  X(kCairo, cairo_destroy)                           \
  X(kCairo, cairo_fill)                              \
  X(kCairo, cairo_font_options_create)               \
  X(kCairo, cairo_font_options_destroy)              \
  X(kCairo, cairo_font_options_set_antialias)        \
  X(kCairo, cairo_font_options_set_hint_metrics)     \
  X(kCairo, cairo_font_options_set_hint_style)       \
  X(kCairo, cairo_get_matrix)                        \
  X(kCairo, cairo_identity_matrix)                   \
  X(kCairo, cairo_image_surface_create)              \
  X(kCairo, cairo_image_surface_create_for_data)     \
  X(kCairo, cairo_image_surface_get_data)            \
  X(kCairo, cairo_image_surface_get_stride)          \
  X(kCairo, cairo_in_fill)                           \
  X(kCairo, cairo_line_to)                           \
  X(kCairo, cairo_matrix_init)                       \
  X(kCairo, cairo_matrix_init_scale)                 \
  X(kCairo, cairo_matrix_invert)                     \
  X(kCairo, cairo_matrix_translate)                  \
  X(kCairo, cairo_move_to)                           \
  X(kCairo, cairo_new_path)                          \
  X(kCairo, cairo_new_sub_path)                      \
  X(kCairo, cairo_paint_with_alpha)                  \
  X(kCairo, cairo_path_destroy)                      \
  X(kCairo, cairo_pattern_add_color_stop_rgba)       \
  X(kCairo, cairo_pattern_create_for_surface)        \
  X(kCairo, cairo_pattern_create_linear)             \
  X(kCairo, cairo_pattern_create_radial)             \
  X(kCairo, cairo_pattern_destroy)                   \
  X(kCairo, cairo_pattern_set_extend)                \
  X(kCairo, cairo_pattern_set_filter)                \
  X(kCairo, cairo_pattern_set_matrix)                \
  X(kCairo, cairo_pop_group_to_source)               \
  X(kCairo, cairo_push_group)                        \
  X(kCairo, cairo_rectangle)                         \
  X(kCairo, cairo_rectangle_list_destroy)            \
  X(kCairo, cairo_reset_clip)                        \
  X(kCairo, cairo_restore)                           \
  X(kCairo, cairo_save)                              \
  X(kCairo, cairo_scale)                             \
  X(kCairo, cairo_set_antialias)                     \
  X(kCairo, cairo_set_dash)                          \
  X(kCairo, cairo_set_fill_rule)                     \
  X(kCairo, cairo_set_line_cap)                      \
  X(kCairo, cairo_set_line_join)                     \
  X(kCairo, cairo_set_line_width)                    \
  X(kCairo, cairo_set_matrix)                        \
  X(kCairo, cairo_set_source)                        \
  X(kCairo, cairo_set_source_rgba)                   \
  X(kCairo, cairo_set_tolerance)                     \
  X(kCairo, cairo_status)                            \
  X(kCairo, cairo_stroke)                            \
  X(kCairo, cairo_surface_create_for_rectangle)      \
  X(kCairo, cairo_surface_destroy)                   \
  X(kCairo, cairo_surface_finish)                    \
  X(kCairo, cairo_surface_flush)                     \
  X(kCairo, cairo_surface_mark_dirty)                \
  X(kCairo, cairo_surface_status)                    \
  X(kCairo, cairo_translate)                         \
  X(kCairo, cairo_user_to_device)                    \
  X(kPng, png_create_info_struct)                    \
  X(kPng, png_create_read_struct)                    \
  X(kPng, png_destroy_read_struct)                   \
  X(kPng, png_error)                                 \
  X(kPng, png_get_error_ptr)                         \
  X(kPng, png_get_image_height)                      \
  X(kPng, png_get_image_width)                       \
  X(kPng, png_get_interlace_type)                    \
  X(kPng, png_get_io_ptr)                            \
  X(kPng, png_get_rowbytes)                          \
  X(kPng, png_image_begin_read_from_memory)          \
  X(kPng, png_image_finish_read)                     \
  X(kPng, png_image_free)                            \
  X(kPng, png_image_write_to_memory)                 \
  X(kPng, png_longjmp)                               \
  X(kPng, png_read_info)                             \
  X(kPng, png_read_row)                              \
  X(kPng, png_read_update_info)                      \
  X(kPng, png_set_add_alpha)                         \
  X(kPng, png_set_alpha_mode)                        \
  X(kPng, png_set_bgr)                               \
  X(kPng, png_set_expand)                            \
  X(kPng, png_set_gray_to_rgb)                       \
  X(kPng, png_set_longjmp_fn)                        \
  X(kPng, png_set_read_fn)                           \
  X(kPng, png_set_scale_16)                          \
  X(kPng, png_set_user_limits)                       \
  X(kJpeg, jpeg_CreateCompress)                      \
  X(kJpeg, jpeg_CreateDecompress)                    \
  X(kJpeg, jpeg_calc_output_dimensions)              \
  X(kJpeg, jpeg_destroy_compress)                    \
  X(kJpeg, jpeg_destroy_decompress)                  \
  X(kJpeg, jpeg_finish_compress)                     \
  X(kJpeg, jpeg_finish_decompress)                   \
  X(kJpeg, jpeg_mem_dest)                            \
  X(kJpeg, jpeg_mem_src)                             \
  X(kJpeg, jpeg_read_header)                         \
  X(kJpeg, jpeg_read_scanlines)                      \
  X(kJpeg, jpeg_set_defaults)                        \
  X(kJpeg, jpeg_set_quality)                         \
  X(kJpeg, jpeg_start_compress)                      \
  X(kJpeg, jpeg_start_decompress)                    \
  X(kJpeg, jpeg_std_error)                           \
  X(kJpeg, jpeg_write_scanlines)                     \
  X(kTiff, TIFFClientOpenExt)                        \
  X(kTiff, TIFFClose)                                \
  X(kTiff, TIFFDefaultStripSize)                     \
  X(kTiff, TIFFFlush)                                \
  X(kTiff, TIFFGetField)                             \
  X(kTiff, TIFFGetFieldDefaulted)                    \
  X(kTiff, TIFFIsTiled)                              \
  X(kTiff, TIFFOpenOptionsAlloc)                     \
  X(kTiff, TIFFOpenOptionsFree)                      \
  X(kTiff, TIFFOpenOptionsSetErrorHandlerExtR)       \
  X(kTiff, TIFFOpenOptionsSetMaxSingleMemAlloc)      \
  X(kTiff, TIFFOpenOptionsSetWarningHandlerExtR)     \
  X(kTiff, TIFFRGBAImageOK)                          \
  X(kTiff, TIFFReadRGBAImageOriented)                \
  X(kTiff, TIFFReadScanline)                         \
  X(kTiff, TIFFScanlineSize64)                       \
  X(kTiff, TIFFSetField)                             \
  X(kTiff, TIFFWriteScanline)                        \
  X(kGif, DGifCloseFile)                             \
  X(kGif, DGifExtensionToGCB)                        \
  X(kGif, DGifGetExtension)                          \
  X(kGif, DGifGetExtensionNext)                      \
  X(kGif, DGifGetImageDesc)                          \
  X(kGif, DGifGetLine)                               \
  X(kGif, DGifGetRecordType)                         \
  X(kGif, DGifOpen)                                  \
  X(kGif, EGifCloseFile)                             \
  X(kGif, EGifGCBToExtension)                        \
  X(kGif, EGifOpen)                                  \
  X(kGif, EGifPutExtension)                          \
  X(kGif, EGifPutImageDesc)                          \
  X(kGif, EGifPutLine)                               \
  X(kGif, EGifPutScreenDesc)                         \
  X(kGif, EGifSetGifVersion)                         \
  X(kGif, GifErrorString)                            \
  X(kGif, GifFreeMapObject)                          \
  X(kGif, GifMakeMapObject)                          \
  X(kGif, GifQuantizeBuffer)                         \
  X(kOpenJpeg, opj_codec_set_threads)                \
  X(kOpenJpeg, opj_create_compress)                  \
  X(kOpenJpeg, opj_destroy_codec)                    \
  X(kOpenJpeg, opj_encode)                           \
  X(kOpenJpeg, opj_end_compress)                     \
  X(kOpenJpeg, opj_get_num_cpus)                     \
  X(kOpenJpeg, opj_has_thread_support)               \
  X(kOpenJpeg, opj_image_create)                     \
  X(kOpenJpeg, opj_image_destroy)                    \
  X(kOpenJpeg, opj_set_default_encoder_parameters)   \
  X(kOpenJpeg, opj_setup_encoder)                    \
  X(kOpenJpeg, opj_start_compress)                   \
  X(kOpenJpeg, opj_stream_create)                    \
  X(kOpenJpeg, opj_stream_destroy)                   \
  X(kOpenJpeg, opj_stream_set_seek_function)         \
  X(kOpenJpeg, opj_stream_set_skip_function)         \
  X(kOpenJpeg, opj_stream_set_user_data)             \
  X(kOpenJpeg, opj_stream_set_write_function)        \
  X(kText, g_free)                                   \
  X(kText, g_object_unref)                           \
  X(kText, g_utf8_make_valid)                        \
  X(kText, g_utf8_validate)                          \
  X(kText, pango_attr_list_insert)                   \
  X(kText, pango_attr_list_new)                      \
  X(kText, pango_attr_list_unref)                    \
  X(kText, pango_attr_strikethrough_new)             \
  X(kText, pango_attr_underline_new)                 \
  X(kText, pango_cairo_context_set_font_options)     \
  X(kText, pango_cairo_create_layout)                \
  X(kText, pango_cairo_font_map_get_default)         \
  X(kText, pango_cairo_layout_path)                  \
  X(kText, pango_cairo_show_layout)                  \
  X(kText, pango_font_description_free)              \
  X(kText, pango_font_description_from_string)       \
  X(kText, pango_font_description_new)               \
  X(kText, pango_font_description_set_absolute_size) \
  X(kText, pango_font_description_set_family)        \
  X(kText, pango_font_description_set_style)         \
  X(kText, pango_font_description_set_weight)        \
  X(kText, pango_font_description_to_string)         \
  X(kText, pango_font_family_get_name)               \
  X(kText, pango_font_map_list_families)             \
  X(kText, pango_layout_context_changed)             \
  X(kText, pango_layout_get_context)                 \
  X(kText, pango_layout_get_extents)                 \
  X(kText, pango_layout_get_pixel_extents)           \
  X(kText, pango_layout_get_pixel_size)              \
  X(kText, pango_layout_set_alignment)               \
  X(kText, pango_layout_set_attributes)              \
  X(kText, pango_layout_set_ellipsize)               \
  X(kText, pango_layout_set_font_description)        \
  X(kText, pango_layout_set_text)                    \
  X(kText, pango_layout_set_width)                   \
  X(kText, pango_layout_set_wrap)

// Per function: its slot (first holding the stub), the function itself and the stub.
#define FACETMINT_LAZY_SLOT(library, name)                                    \
  extern "C" {                                                                \
  void facetmint_lazy_stub_##name();                                          \
  __attribute__((visibility("hidden"))) TLazySymbol facetmint_lazy_##name = { \
      reinterpret_cast<void*>(&facetmint_lazy_stub_##name), library, #name};  \
  }
#define FACETMINT_LAZY_TRAMPOLINE(library, name) \
  asm(".text\n"                                  \
      ".p2align 4\n"                             \
      ".globl " #name                            \
      "\n"                                       \
      ".type " #name ", @function\n" #name       \
      ":\n"                                      \
      "endbr64\n"                                \
      "jmp *facetmint_lazy_" #name               \
      "(%rip)\n"                                 \
      ".size " #name ", .-" #name                \
      "\n"                                       \
      ".type facetmint_lazy_stub_" #name         \
      ", @function\n"                            \
      "facetmint_lazy_stub_" #name               \
      ":\n"                                      \
      "endbr64\n"                                \
      "lea facetmint_lazy_" #name                \
      "(%rip), %r11\n"                           \
      "jmp facetmint_lazy_resolve\n"             \
      ".size facetmint_lazy_stub_" #name ", .-facetmint_lazy_stub_" #name "\n");

FACETMINT_LAZY_FUNCTIONS(FACETMINT_LAZY_SLOT)
FACETMINT_LAZY_FUNCTIONS(FACETMINT_LAZY_TRAMPOLINE)
