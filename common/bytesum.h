// Byte sum used to check packed server files: the sum, modulo 2^32, of all bytes taken unsigned.
#pragma once
#include <cstddef>
#include <cstdint>

uint32_t ByteSum(uint32_t initial, const void* data, size_t length);
