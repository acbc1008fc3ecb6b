export CCACHE_BASEDIR=/work CCACHE_DIR=/work/.ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
export QEL_PG_PORT=55630 QEL_MY_PORT=53530 QEL_FB_PORT=53280
export TMPDIR=/work/wt-refs/build/tmp
export QEL_DB_DIR=/work/wt-refs/build/dbservers
