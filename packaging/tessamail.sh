#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The program finds its text table and web pages beside its executable.
exec "$(dirname "$(readlink -f "$0")")/../lib/tessamail/tessamail" "$@"
