# The payload key: the public half of the RSA-2048 key that signs every payload
# record, compiled into the launcher as its 276-byte PUBLICKEYBLOB.
#
#   MSILAUNCH_PAYLOAD_PUBLIC_KEY   PEM file with the public key (or a private key:
#                                  only its public half is used).  Empty: a
#                                  development key pair is made in this build
#                                  tree (payload-dev-key.pem, mode 0600, and
#                                  payload-dev-key.pub.pem) and used instead.
#   MSILAUNCH_PAYLOAD_PRIVATE_KEY  PEM private key that the tests and the test
#                                  fixtures sign with; set to the development key
#                                  when that is used.  Empty: signing tests skip.
#
# Results: PAYLOAD_KEY_SOURCE (the generated C++ source that defines
# PayloadPublicKey), MSILAUNCH_PAYLOAD_PUBLIC_PEM (the public key as PEM) and
# MSILAUNCH_PAYLOAD_SIGNING_KEY (the private key for tests, or empty).
set(MSILAUNCH_PAYLOAD_PUBLIC_KEY "" CACHE FILEPATH "PEM file with the payload key's public half (empty: a development key of this build tree)")
set(MSILAUNCH_PAYLOAD_PRIVATE_KEY "" CACHE FILEPATH "PEM private payload key that tests sign with (empty: the development key, when used)")

find_program(MSILAUNCH_OPENSSL_TOOL openssl REQUIRED)
set(_key_dir ${CMAKE_BINARY_DIR})
set(_blob ${_key_dir}/payload-key.blob)

if(MSILAUNCH_PAYLOAD_PUBLIC_KEY)
    set(_public_input ${MSILAUNCH_PAYLOAD_PUBLIC_KEY})
    set(MSILAUNCH_PAYLOAD_SIGNING_KEY "${MSILAUNCH_PAYLOAD_PRIVATE_KEY}")
    message(STATUS "Payload key: ${MSILAUNCH_PAYLOAD_PUBLIC_KEY}")
else()
    set(_dev ${_key_dir}/payload-dev-key.pem)
    if(NOT EXISTS ${_dev})
        file(MAKE_DIRECTORY ${_key_dir})
        # umask first, so the private key is never readable by others, not even briefly.
        execute_process(
            COMMAND sh -c "umask 077 && exec \"$0\" genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -pkeyopt rsa_keygen_pubexp:65537 -out \"$1\""
                    ${MSILAUNCH_OPENSSL_TOOL} ${_dev}
            RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
        if(NOT _rc EQUAL 0)
            file(REMOVE ${_dev})
            message(FATAL_ERROR "Cannot make the development payload key: ${_err}")
        endif()
    endif()
    file(CHMOD ${_dev} PERMISSIONS OWNER_READ OWNER_WRITE)
    set(_public_input ${_dev})
    if(MSILAUNCH_PAYLOAD_PRIVATE_KEY)
        set(MSILAUNCH_PAYLOAD_SIGNING_KEY "${MSILAUNCH_PAYLOAD_PRIVATE_KEY}")
    else()
        set(MSILAUNCH_PAYLOAD_SIGNING_KEY "${_dev}")
    endif()
    message(STATUS "Payload key: DEVELOPMENT key ${_dev} (made in this build tree; set MSILAUNCH_PAYLOAD_PUBLIC_KEY for a release)")
endif()

set(MSILAUNCH_PAYLOAD_PUBLIC_PEM ${_key_dir}/payload-key.pub.pem)
if(NOT MSILAUNCH_PAYLOAD_PUBLIC_KEY)
    set(MSILAUNCH_PAYLOAD_PUBLIC_PEM ${_key_dir}/payload-dev-key.pub.pem)
endif()
# A public PEM passes with -pubin; a private one (the development key) without.
execute_process(COMMAND ${MSILAUNCH_OPENSSL_TOOL} pkey -pubin -in ${_public_input} -pubout -out ${MSILAUNCH_PAYLOAD_PUBLIC_PEM}
    RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_QUIET)
if(NOT _rc EQUAL 0)
    execute_process(COMMAND ${MSILAUNCH_OPENSSL_TOOL} pkey -in ${_public_input} -pubout -out ${MSILAUNCH_PAYLOAD_PUBLIC_PEM}
        RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "${_public_input} holds no RSA key: ${_err}")
    endif()
endif()
execute_process(COMMAND ${MSILAUNCH_OPENSSL_TOOL} rsa -pubin -in ${MSILAUNCH_PAYLOAD_PUBLIC_PEM} -outform MSBLOB -out ${_blob}
    RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "Cannot write the payload key's PUBLICKEYBLOB: ${_err}")
endif()

# 06 02 0000, CALG_RSA_KEYX, "RSA1", 2048 bits, exponent 65537, 256 modulus bytes.
file(READ ${_blob} _hex HEX)
string(LENGTH "${_hex}" _hex_length)
string(SUBSTRING "${_hex}" 0 40 _head)
if(NOT _hex_length EQUAL 552 OR NOT _head STREQUAL "0602000000a40000525341310008000001000100")
    message(FATAL_ERROR "The payload key must be an RSA-2048 key with exponent 65537 (blob header ${_head}, ${_hex_length} hex digits)")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
string(REGEX REPLACE "((0x..,){12})" "\\1\n    " _bytes "${_bytes}")
set(PAYLOAD_KEY_SOURCE ${CMAKE_BINARY_DIR}/generated/payload_public_key.cpp)
set(_text "// Generated at configure time from ${_public_input}: the payload key's\n// PUBLICKEYBLOB.  Do not edit.\n#include \"payload/payload_key.h\"\n\nconst BYTE PayloadPublicKey[kPayloadPublicKeySize] = {\n    ${_bytes}\n};\n")
# Rewritten only when it changes, so a reconfigure does not rebuild the launcher.
if(EXISTS ${PAYLOAD_KEY_SOURCE})
    file(READ ${PAYLOAD_KEY_SOURCE} _old)
else()
    set(_old "")
endif()
if(NOT _old STREQUAL _text)
    file(WRITE ${PAYLOAD_KEY_SOURCE} "${_text}")
endif()
