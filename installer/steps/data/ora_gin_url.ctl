-- gene information URLs, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_GIN_URL
FIELDS TERMINATED BY ';'
TRAILING NULLCOLS
(array_type CHAR(255), identifier_source CHAR(255), link_name CHAR(255), url CHAR(1024))
