#include "station/encoding/character_encoder.h"
