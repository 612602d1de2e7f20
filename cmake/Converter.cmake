# The converter Tessaly runs and the formats it reads beyond BMP, JPEG, GIF, PNG and TIFF, which
# the converter's policy lets through, the folder search queues and the tests expect. Sets
#   TESSALY_CONVERTER_FORMATS     those of HEIC, AVIF and WEBP this converter reads
#   TESSALY_HEIF_DECODER          libheif's own decoder, for HEIF and AVIF images with alpha
#                                 (the converter's coder drops their alpha); empty without them
#   TESSALY_POLICY_EXTRA_CODERS   what the policy's list of coders gains for those formats
# and, on Linux, TESSALY_IMAGEMAGICK_CONVERTER_REAL, the converter the link in data/ names.
set(TESSALY_NEWER_FORMATS HEIC AVIF WEBP)

if(WIN32)
    # Built for Windows: the converter is a convert.exe built for Windows (scripts/windows makes
    # one from ImageMagick's source, and says what it was built to read), copied beside the
    # program as data\convert.exe.
    set(TESSALY_WINDOWS_CONVERTER "" CACHE FILEPATH "ImageMagick's convert.exe built for Windows")
    set(TESSALY_WINDOWS_CONVERTER_FORMATS "" CACHE STRING
        "Which of ${TESSALY_NEWER_FORMATS} that convert.exe reads")
    set(TESSALY_WINDOWS_HEIF_DECODER "" CACHE FILEPATH "libheif's heif-convert.exe built for Windows")
    set(TESSALY_CONVERTER_FORMATS ${TESSALY_WINDOWS_CONVERTER_FORMATS})
    set(TESSALY_HEIF_DECODER ${TESSALY_WINDOWS_HEIF_DECODER})
else()
    # The converter the ImageMagick package installed (not whatever "convert" comes first on
    # PATH, which may be a wrapper).
    find_program(TESSALY_IMAGEMAGICK_CONVERTER
        NAMES convert-im6.q16 convert-im6.q16hdri convert-im6.q8 magick
        PATHS /usr/bin NO_DEFAULT_PATH)
    if(NOT TESSALY_IMAGEMAGICK_CONVERTER)
        find_program(TESSALY_IMAGEMAGICK_CONVERTER NAMES magick convert-im6.q16 convert REQUIRED)
    endif()
    file(REAL_PATH ${TESSALY_IMAGEMAGICK_CONVERTER} TESSALY_IMAGEMAGICK_CONVERTER_REAL)
    # "     AVIF* HEIC      rw+   AV1 Image File Format (1.15.1)": the format, its module, and
    # what the converter does with it.
    execute_process(COMMAND ${TESSALY_IMAGEMAGICK_CONVERTER_REAL} -list format
                    OUTPUT_VARIABLE formats ERROR_QUIET)
    set(TESSALY_CONVERTER_FORMATS)
    foreach(format ${TESSALY_NEWER_FORMATS})
        if(formats MATCHES "[ \t]${format}\\*?[ \t]+[A-Z0-9]+[ \t]+r")
            list(APPEND TESSALY_CONVERTER_FORMATS ${format})
        endif()
    endforeach()
    set(TESSALY_HEIF_DECODER)
    if("HEIC" IN_LIST TESSALY_CONVERTER_FORMATS OR "AVIF" IN_LIST TESSALY_CONVERTER_FORMATS)
        find_program(TESSALY_HEIF_CONVERT heif-convert REQUIRED)
        file(REAL_PATH ${TESSALY_HEIF_CONVERT} TESSALY_HEIF_DECODER)
    endif()
endif()

# A HEIF image may be named for its container (HEIF) or its coding (HEIC); ImageMagick reads both
# through its HEIC coder.
set(TESSALY_POLICY_EXTRA_CODERS)
foreach(format ${TESSALY_CONVERTER_FORMATS})
    if(format STREQUAL "HEIC")
        string(APPEND TESSALY_POLICY_EXTRA_CODERS ",HEIC,HEIF")
    else()
        string(APPEND TESSALY_POLICY_EXTRA_CODERS ",${format}")
    endif()
endforeach()
message(STATUS "The converter reads besides BMP, JPEG, GIF, PNG and TIFF: "
               "${TESSALY_CONVERTER_FORMATS}")
