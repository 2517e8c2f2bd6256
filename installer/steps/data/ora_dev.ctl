-- devices, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_DEV
FIELDS TERMINATED BY ';'
(device_name CHAR(255), anno_id, device_desc CHAR(255), device_prefix)
