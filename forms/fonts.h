// The core X fonts of the windows and dialogs.
#pragma once

// Makes the toolkit ask for its Helvetica, Courier and Times fonts at 75 dpi, the size the
// windows' pixel layout is made for. Call before the toolkit is initialised.
void use_75dpi_fonts();
