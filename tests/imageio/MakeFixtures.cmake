# Writes the image fixtures the reader tests load: one known sample pattern, saved by
# ImageMagick and tiffcp in many shapes. Run as
#   cmake -DOUT=<folder> -DCONVERT=<convert> -DTIFFCP=<tiffcp> -P MakeFixtures.cmake
# The pattern must match FixturePattern() in image_test_support.h.
cmake_minimum_required(VERSION 3.20)

set(W 37)  # odd width: grey rows carry padding in FreeImage's buffer
set(H 23)
file(MAKE_DIRECTORY "${OUT}")

function(sample x y c result)
  if(x EQUAL 1 AND y EQUAL 0)
    set(${result} 65535 PARENT_SCOPE)
  else()
    math(EXPR v "(${x} * 1031 + ${y} * 2999 + ${c} * 21841 + ${x} * ${y} * 7) % 65536")
    set(${result} ${v} PARENT_SCOPE)
  endif()
endfunction()

# Plain (text) PNM files: CMake cannot write binary bytes, ImageMagick reads these exactly.
function(write_pnm name magic channels)
  set(text "${magic}\n${W} ${H}\n65535\n")
  math(EXPR lastX "${W} - 1")
  math(EXPR lastY "${H} - 1")
  foreach(y RANGE 0 ${lastY})
    set(line "")
    foreach(x RANGE 0 ${lastX})
      foreach(c ${channels})
        sample(${x} ${y} ${c} v)
        string(APPEND line "${v} ")
      endforeach()
    endforeach()
    string(APPEND text "${line}\n")
  endforeach()
  file(WRITE "${OUT}/${name}" "${text}")
endfunction()

write_pnm(grey.pgm P2 "0")
write_pnm(rgb.ppm P3 "0;1;2")
write_pnm(alpha.pgm P2 "3")

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${OUT}" RESULT_VARIABLE rc
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "fixture command failed (${rc}): ${ARGN}\n${err}")
  endif()
endfunction()

set(IM ${CONVERT})
set(T16 -depth 16 -define quantum:format=unsigned)
# ImageMagick, 16-bit: grey, RGB, RGBA, byte orders, compressions, layouts, PNG.
run(${IM} grey.pgm ${T16} -compress None im_grey16.tif)
run(${IM} rgb.ppm ${T16} -compress None im_rgb16.tif)
run(${IM} rgb.ppm alpha.pgm -alpha off -compose CopyOpacity -composite ${T16}
    -compress None im_rgba16.tif)
run(${IM} rgb.ppm ${T16} -define tiff:endian=msb -compress None im_rgb16_msb.tif)
run(${IM} grey.pgm ${T16} -define tiff:endian=msb -compress LZW im_grey16_msb_lzw.tif)
run(${IM} rgb.ppm ${T16} -compress LZW im_rgb16_lzw.tif)
run(${IM} rgb.ppm ${T16} -compress Zip im_rgb16_zip.tif)
run(${IM} rgb.ppm ${T16} -interlace Plane -compress None im_rgb16_planar.tif)
run(${IM} rgb.ppm alpha.pgm -alpha off -compose CopyOpacity -composite ${T16}
    -interlace Plane -compress None im_rgba16_planar.tif)
run(${IM} rgb.ppm ${T16} -define tiff:rows-per-strip=4 im_rgb16_strips.tif)
run(${IM} grey.pgm ${T16} -define tiff:tile-geometry=16x16 im_grey16_tiled.tif)
run(${IM} grey.pgm -depth 16 PNG:im_grey16.png)
run(${IM} rgb.ppm -depth 16 PNG48:im_rgb16.png)
run(${IM} rgb.ppm alpha.pgm -alpha off -compose CopyOpacity -composite -depth 16
    PNG64:im_rgba16.png)
# Binary 16-bit PGM and PPM (the plain ones above are results too).
run(${IM} grey.pgm -depth 16 PGM:im_grey16.pgm)
run(${IM} rgb.ppm -depth 16 PPM:im_rgb16.ppm)
# Results that must be refused: 8-bit.
run(${IM} grey.pgm -depth 8 -compress None im_grey8.tif)
run(${IM} rgb.ppm -depth 8 -compress None im_rgb8.tif)
run(${IM} rgb.ppm -depth 8 PNG24:im_rgb8.png)

# libtiff's tiffcp, from ImageMagick's plain files.
run(${TIFFCP} -B -c lzw im_rgb16.tif tc_rgb16_msb_lzw.tif)
run(${TIFFCP} -c zip -t -w 16 -l 16 im_rgb16.tif tc_rgb16_tiled_zip.tif)
run(${TIFFCP} -B -c lzw im_rgb16_planar.tif tc_rgb16_planar_msb_lzw.tif)
run(${TIFFCP} -r 3 im_grey16.tif tc_grey16_strips.tif)
run(${TIFFCP} -B -t -w 16 -l 32 im_grey16.tif tc_grey16_tiled_msb.tif)
run(${TIFFCP} -c lzw im_rgba16_planar.tif tc_rgba16_planar_lzw.tif)
run(${TIFFCP} -r 5 -c zip im_rgba16.tif tc_rgba16_strips_zip.tif)

file(WRITE "${OUT}/stamp" "done\n")
