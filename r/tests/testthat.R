library(testthat)
library(varnel)
test_check("varnel")
