#pragma once

// The product resource pages the Firmware Update pages link to, one per model.
namespace weblinks
{
constexpr const char* tavinDorvo = "https://www.quelmor.com/products/tavindorvo/resources";
constexpr const char* kelaDorvo = "https://www.quelmor.com/products/keladorvo/resources";
constexpr const char* kelaDorvoSE = "https://www.quelmor.com/products/keladorvo-se/resources";
} // namespace weblinks
