# Turns the output of `oxsdk list` (LIST) into a help2man include file (OUTPUT) that adds the
# command catalogue to the man page, kept as printed.
file(READ ${LIST} catalogue)
string(REPLACE "\\" "\\e" catalogue "${catalogue}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" catalogue "${catalogue}")
file(WRITE ${OUTPUT} "[REMOTE COMMANDS]\n.nf\n${catalogue}.fi\n")
