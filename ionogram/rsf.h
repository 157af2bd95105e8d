// RSF ionogram files: layout constants and decoders.
#pragma once
