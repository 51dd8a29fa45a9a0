// The module's entry and its teardown.
#pragma once

// The teardown sequence; safe in any state.
void UnloadExtension();
